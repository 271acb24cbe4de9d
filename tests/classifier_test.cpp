#include "scan/classifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "support/fakes.h"
#include "support/memory_file_reader.h"
#include "support/plain_scan.h"
#include "support/temp_tree.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

// Hits of text as the content rule counts them: each list entry found adds one.
int ContentHits(const std::string& text) {
  int hits = 0;
  for (const std::string& entry : ContentKeywords)
    if (PlainScanContains(text, entry)) ++hits;
  return hits;
}

// A content text with exactly the wanted hits; withTwice starts from the twice-listed entry.
std::string ContentWithHits(int wanted, bool withTwice) {
  std::map<std::string, int> listed;
  for (const std::string& entry : ContentKeywords) ++listed[entry];
  std::string text;
  if (withTwice) {
    auto twice = std::find_if(listed.begin(), listed.end(), [](const auto& e) { return e.second == 2; });
    EXPECT_NE(twice, listed.end());
    if (twice != listed.end()) text = twice->first;
  }
  for (const auto& [entry, times] : listed) {
    if (ContentHits(text) >= wanted) break;
    if (times != 1) continue;
    std::string candidate = text + "|" + entry;
    if (ContentHits(candidate) == ContentHits(text) + 1) text = candidate;
  }
  EXPECT_EQ(ContentHits(text), wanted);
  return text;
}

class ClassifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadKeywordLists();
    keyword_ = G("性感");
    ASSERT_NE(std::find(NameKeywords.begin(), NameKeywords.end(), keyword_), NameKeywords.end());
  }

  // Walks the tree with the classifier; returns name -> kind of every row.
  std::map<std::string, std::string> Scan() {
    WalkDirectory(rootGbk(), tree_.NativeRoot(), [&](const FoundFile& f) { return ClassifyFile(ctx_, f); }, true, PlatformDirLister());
    std::map<std::string, std::string> rows;
    for (int row = 0; row < controls_.RowCount(); ++row) rows[controls_.CellText(row, 0)] = controls_.CellText(row, 3);
    return rows;
  }
  std::string rootGbk() {
    std::string gbk;
    NativeToGbk(tree_.NativeRoot(), gbk);
    return gbk;
  }
  void File(const std::string& gbkRel, const std::string& content = {}) {
    ASSERT_TRUE(tree_.File(std::filesystem::path(GbkToNative(gbkRel)), content));
  }

  TempTree tree_;
  TestContext t_{FakeThreadStarter::Mode::OnDemand, &PlatformFileReader(), &PlatformDirLister()};
  ScanContext& ctx_ = t_.ctx;
  RecordingControls& controls_ = t_.controls;
  std::string keyword_;
};

TEST(CategoryForName, TableInOrder) {
  const char* video = "可疑色情视频";
  const char* picture = "可疑色情图片";
  const char* seed = "可疑色情BT种子";
  const char* file = "可疑色情文件";
  struct Case {
    const char* name;
    const char* category;
  } cases[] = {
      {"a.avi", video},     {"a.WMV", video},     {"a.rm", video},      {"a.RMVB", video},   {"a.flv", video},
      {"a.3gp", video},     {"a.mp4", video},     {"a.mkv", video},     {"a.mpg", video},    {"a.vod", video},
      {"a.jpg", picture},   {"a.PNG", picture},   {"a.bmp", picture},   {"a.gif", picture},  {"a.mp3", "可疑色情音频"},
      {"a.torrent", seed},  {"xrent", seed},      {"xrmvb", video},     {"a.jpeg", file},    {"a.mpeg", file},
      {"a.rmx", file},      {"rm", file},         {"", file},           {"a.doc", file},
  };
  for (const Case& c : cases) EXPECT_EQ(CategoryForName(c.name), G(c.category)) << c.name;
  EXPECT_EQ(kArticleCategory.Gbk(), G("可疑色情文章"));
}

TEST_F(ClassifierTest, NameRuleEveryCategoryAndEdgeCases) {
  const std::string k = keyword_;
  for (const char* ext : {".AVI", ".wmv", ".RM", ".rmvb", ".jpg", ".png", ".bmp", ".gif", ".mp3", ".torrent",
                          ".jpeg", ".mpeg", ".doc"})
    File("n" + k + ext);
  File(k + "rent");      // no extension, ends in "rent"
  File("clip.avi");      // no keyword
  File("TOKYO.avi");     // the list holds tokyo and Tokyo, not TOKYO
  File("my tokyo.avi");  // another name: a file system may ignore case
  File(k + "/plain.avi");  // keyword in the directory only
  ASSERT_FALSE(MatchNameKeywords("TOKYO.avi"));

  auto rows = Scan();
  EXPECT_EQ(rows["n" + k + ".AVI"], CategoryForName(".avi"));
  EXPECT_EQ(rows["n" + k + ".wmv"], CategoryForName(".avi"));
  EXPECT_EQ(rows["n" + k + ".RM"], CategoryForName(".avi"));
  EXPECT_EQ(rows["n" + k + ".rmvb"], CategoryForName(".avi"));
  EXPECT_EQ(rows["n" + k + ".jpg"], CategoryForName(".jpg"));
  EXPECT_EQ(rows["n" + k + ".gif"], CategoryForName(".jpg"));
  EXPECT_EQ(rows["n" + k + ".mp3"], CategoryForName(".mp3"));
  EXPECT_EQ(rows["n" + k + ".torrent"], CategoryForName(".torrent"));
  EXPECT_EQ(rows[k + "rent"], CategoryForName(".torrent"));
  EXPECT_EQ(rows["n" + k + ".jpeg"], CategoryForName(""));
  EXPECT_EQ(rows["n" + k + ".mpeg"], CategoryForName(""));
  EXPECT_EQ(rows["n" + k + ".doc"], CategoryForName(""));
  EXPECT_EQ(rows["my tokyo.avi"], CategoryForName(".avi"));
  EXPECT_EQ(rows.count("clip.avi"), 0u);
  EXPECT_EQ(rows.count("TOKYO.avi"), 0u);
  EXPECT_EQ(rows.count("plain.avi"), 0u);
  EXPECT_EQ(rows.size(), 15u);
  EXPECT_EQ(ctx_.HealthScore.load(), 100 - 15);
}

TEST_F(ClassifierTest, TxtFilesAreJudgedByContentOnly) {
  const std::string five = ContentWithHits(5, false);
  File("README.TXT", five);
  File(keyword_ + ".txt", ContentWithHits(4, false));  // name keyword does not count
  File("twice.txt", ContentWithHits(5, true));         // the twice-listed entry counts twice
  File("nul.txt", std::string(1, '\0') + five);
  File("empty.txt");

  auto rows = Scan();
  EXPECT_EQ(rows[G("README.TXT")], kArticleCategory.Gbk());
  EXPECT_EQ(rows["twice.txt"], kArticleCategory.Gbk());
  EXPECT_EQ(rows.count(keyword_ + ".txt"), 0u);
  EXPECT_EQ(rows.count("nul.txt"), 0u);
  EXPECT_EQ(rows.count("empty.txt"), 0u);
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_EQ(ctx_.HealthScore.load(), 98);
}

TEST_F(ClassifierTest, EveryFileShowsProgressThenRowThenReveal) {
  File("a.doc");
  File(keyword_ + ".avi");
  File("sub/b.doc");
  Scan();
  const std::vector<std::string> log = controls_.TakeLog();
  int progress = 0, selects = 0, appends = 0;
  std::string suspectDir;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i].rfind("caption S:", 0) == 0) {
      ++progress;
      // Progress for a file is followed by its (optional) row and then the reveal.
      size_t j = i + 1;
      if (j < log.size() && log[j].rfind("append:", 0) == 0) {
        ++appends;
        EXPECT_EQ(log[j], "append:" + keyword_ + ".avi");
        ASSERT_LT(j + 3, log.size());
        EXPECT_EQ(log[j + 1].substr(0, 8), "cell 0,1");
        EXPECT_EQ(log[j + 2], "cell 0,2:0");
        EXPECT_EQ(log[j + 3], "cell 0,3:" + CategoryForName(".avi"));
        j += 4;
      }
      ASSERT_LT(j, log.size());
      EXPECT_EQ(log[j], appends ? "select:0" : "select:-1");
      if (appends) {
        EXPECT_EQ(log[j + 1], "visible:0");
      }
    }
    if (log[i].rfind("select:", 0) == 0) ++selects;
  }
  EXPECT_EQ(progress, 3);
  EXPECT_EQ(selects, 3);
  EXPECT_EQ(appends, 1);
  EXPECT_EQ(controls_.CellText(0, 1), rootGbk());
  EXPECT_EQ(ctx_.HealthScore.load(), 99);
}

TEST_F(ClassifierTest, OfflineContentIsNotReadAndLossyNamesKeepTheirNativePath) {
  File("hot.txt", ContentWithHits(5, false));
  FakeDirLister lister;
  lister.AddFile(tree_.NativeRoot(), NativeFromUtf8("hot.txt"), 10, /*offline=*/true);
#ifdef _WIN32
  const NativeString lossy = L"\xD55C" + NativeFromUtf8("性感.avi");  // a Hangul letter: not in GBK
#else
  const NativeString lossy = "\xFF" + NativeFromUtf8("性感.avi");  // not UTF-8
#endif
  lister.AddFile(tree_.NativeRoot(), lossy, 7);
  WalkDirectory(rootGbk(), tree_.NativeRoot(), [&](const FoundFile& f) { return ClassifyFile(ctx_, f); }, true, lister);
  ASSERT_EQ(controls_.RowCount(), 1);
  EXPECT_EQ(controls_.CellText(0, 3), CategoryForName(".avi"));
  EXPECT_EQ(controls_.RowNativePath(0), tree_.NativeRoot() + lossy);

  FakeDirLister online;
  online.AddFile(tree_.NativeRoot(), NativeFromUtf8("hot.txt"), 10);
  online.AddFile(tree_.NativeRoot(), NativeFromUtf8("性感.avi"), 7);
  controls_.DeleteAllRows();
  WalkDirectory(rootGbk(), tree_.NativeRoot(), [&](const FoundFile& f) { return ClassifyFile(ctx_, f); }, true, online);
  ASSERT_EQ(controls_.RowCount(), 2);
  EXPECT_EQ(controls_.CellText(0, 3), kArticleCategory.Gbk());
  EXPECT_TRUE(controls_.RowNativePath(0).empty());
  EXPECT_TRUE(controls_.RowNativePath(1).empty());
}


TEST_F(ClassifierTest, TxtListedAsEmptyIsStillRead) {
  const std::string five = ContentWithHits(5, false);
  MemoryFileReader reader;
  const NativeString root = tree_.NativeRoot();
  reader.AddFile(root + NativeFromUtf8("empty.txt"), five);  // its listing says 0 bytes
  reader.AddFile(root + NativeFromUtf8("full.txt"), five);
  FakeDirLister lister;
  lister.AddFile(root, NativeFromUtf8("empty.txt"), 0);
  lister.AddFile(root, NativeFromUtf8("full.txt"), five.size());
  ScanContext ctx{controls_, lister, reader, t_.drives, t_.threads, t_.shell};
  ctx.HealthScore.store(100);
  WalkDirectory(rootGbk(), root, [&](const FoundFile& f) { return ClassifyFile(ctx, f); }, true, lister);
  // A listed size of 0 may be stale: the file is read all the same.
  EXPECT_EQ(reader.OpenCount(root + NativeFromUtf8("empty.txt")), 1);
  EXPECT_EQ(reader.OpenCount(root + NativeFromUtf8("full.txt")), 1);
  ASSERT_EQ(controls_.RowCount(), 2);
  EXPECT_EQ(controls_.CellText(0, 0), "empty.txt");
  EXPECT_EQ(ctx.HealthScore.load(), 98);
}

}  // namespace
