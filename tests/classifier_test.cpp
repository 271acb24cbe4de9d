#include "scan/classifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/globals.h"
#include "scan/dir_listing.h"
#include "scan/file_reader.h"
#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "support/fakes.h"
#include "support/memory_file_reader.h"
#include "support/temp_tree.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

// Hits of text as the content rule counts them: each list entry found adds one.
int ContentHits(const std::string& text) {
  int hits = 0;
  for (const std::string& entry : ContentKeywords)
    if (FindSubText(text, entry) > 0) ++hits;
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
    WalkDirectory(rootGbk(), tree_.NativeRoot(), ClassifyFile, true, PlatformDirLister());
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
  RecordingControls controls_;
  ScopedServices services_{[this] {
    ProgramServices s;
    s.controls = &controls_;
    s.lister = &PlatformDirLister();
    s.reader = &PlatformFileReader();
    return s;
  }()};
  std::string keyword_;
};

TEST(CategoryForName, TableInOrder) {
  struct Case {
    const char* name;
    const std::string& (*category)();
  } cases[] = {
      {"a.avi", CategoryVideo},   {"a.WMV", CategoryVideo},   {"a.rm", CategoryVideo},     {"a.RMVB", CategoryVideo},
      {"a.flv", CategoryVideo},   {"a.3gp", CategoryVideo},   {"a.mp4", CategoryVideo},    {"a.mkv", CategoryVideo},
      {"a.mpg", CategoryVideo},   {"a.vod", CategoryVideo},   {"a.jpg", CategoryPicture},  {"a.PNG", CategoryPicture},
      {"a.bmp", CategoryPicture}, {"a.gif", CategoryPicture}, {"a.mp3", CategoryAudio},    {"a.torrent", CategorySeed},
      {"xrent", CategorySeed},    {"xrmvb", CategoryVideo},   {"a.jpeg", CategoryFile},    {"a.mpeg", CategoryFile},
      {"a.rmx", CategoryFile},    {"rm", CategoryFile},       {"", CategoryFile},          {"a.doc", CategoryFile},
  };
  for (const Case& c : cases) EXPECT_EQ(CategoryForName(c.name), c.category()) << c.name;
  EXPECT_EQ(CategoryArticle(), G("可疑色情文章"));
  EXPECT_EQ(CategoryVideo(), G("可疑色情视频"));
  EXPECT_EQ(CategoryPicture(), G("可疑色情图片"));
  EXPECT_EQ(CategoryAudio(), G("可疑色情音频"));
  EXPECT_EQ(CategorySeed(), G("可疑色情BT种子"));
  EXPECT_EQ(CategoryFile(), G("可疑色情文件"));
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
  EXPECT_EQ(rows["n" + k + ".AVI"], CategoryVideo());
  EXPECT_EQ(rows["n" + k + ".wmv"], CategoryVideo());
  EXPECT_EQ(rows["n" + k + ".RM"], CategoryVideo());
  EXPECT_EQ(rows["n" + k + ".rmvb"], CategoryVideo());
  EXPECT_EQ(rows["n" + k + ".jpg"], CategoryPicture());
  EXPECT_EQ(rows["n" + k + ".gif"], CategoryPicture());
  EXPECT_EQ(rows["n" + k + ".mp3"], CategoryAudio());
  EXPECT_EQ(rows["n" + k + ".torrent"], CategorySeed());
  EXPECT_EQ(rows[k + "rent"], CategorySeed());
  EXPECT_EQ(rows["n" + k + ".jpeg"], CategoryFile());
  EXPECT_EQ(rows["n" + k + ".mpeg"], CategoryFile());
  EXPECT_EQ(rows["n" + k + ".doc"], CategoryFile());
  EXPECT_EQ(rows["my tokyo.avi"], CategoryVideo());
  EXPECT_EQ(rows.count("clip.avi"), 0u);
  EXPECT_EQ(rows.count("TOKYO.avi"), 0u);
  EXPECT_EQ(rows.count("plain.avi"), 0u);
  EXPECT_EQ(rows.size(), 15u);
  EXPECT_EQ(HealthScore.load(), 100 - 15);
}

TEST_F(ClassifierTest, TxtFilesAreJudgedByContentOnly) {
  const std::string five = ContentWithHits(5, false);
  File("README.TXT", five);
  File(keyword_ + ".txt", ContentWithHits(4, false));  // name keyword does not count
  File("twice.txt", ContentWithHits(5, true));         // the twice-listed entry counts twice
  File("nul.txt", std::string(1, '\0') + five);
  File("empty.txt");

  auto rows = Scan();
  EXPECT_EQ(rows[G("README.TXT")], CategoryArticle());
  EXPECT_EQ(rows["twice.txt"], CategoryArticle());
  EXPECT_EQ(rows.count(keyword_ + ".txt"), 0u);
  EXPECT_EQ(rows.count("nul.txt"), 0u);
  EXPECT_EQ(rows.count("empty.txt"), 0u);
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_EQ(HealthScore.load(), 98);
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
        EXPECT_EQ(log[j + 3], "cell 0,3:" + CategoryVideo());
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
  EXPECT_EQ(HealthScore.load(), 99);
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
  WalkDirectory(rootGbk(), tree_.NativeRoot(), ClassifyFile, true, lister);
  ASSERT_EQ(controls_.RowCount(), 1);
  EXPECT_EQ(controls_.CellText(0, 3), CategoryVideo());
  EXPECT_EQ(controls_.RowNativePath(0), tree_.NativeRoot() + lossy);

  FakeDirLister online;
  online.AddFile(tree_.NativeRoot(), NativeFromUtf8("hot.txt"), 10);
  online.AddFile(tree_.NativeRoot(), NativeFromUtf8("性感.avi"), 7);
  controls_.DeleteAllRows();
  WalkDirectory(rootGbk(), tree_.NativeRoot(), ClassifyFile, true, online);
  ASSERT_EQ(controls_.RowCount(), 2);
  EXPECT_EQ(controls_.CellText(0, 3), CategoryArticle());
  EXPECT_TRUE(controls_.RowNativePath(0).empty());
  EXPECT_TRUE(controls_.RowNativePath(1).empty());
}


TEST_F(ClassifierTest, TxtListedAsEmptyIsNotOpened) {
  const std::string five = ContentWithHits(5, false);
  MemoryFileReader reader;
  const NativeString root = tree_.NativeRoot();
  reader.AddFile(root + NativeFromUtf8("empty.txt"), five);  // grew after it was listed
  reader.AddFile(root + NativeFromUtf8("full.txt"), five);
  FakeDirLister lister;
  lister.AddFile(root, NativeFromUtf8("empty.txt"), 0);
  lister.AddFile(root, NativeFromUtf8("full.txt"), five.size());
  ProgramServices s;
  s.controls = &controls_;
  s.lister = &lister;
  s.reader = &reader;
  ScopedServices use(s);
  WalkDirectory(rootGbk(), root, ClassifyFile, true, lister);
  EXPECT_EQ(reader.OpenCount(root + NativeFromUtf8("empty.txt")), 0);
  EXPECT_EQ(reader.OpenCount(root + NativeFromUtf8("full.txt")), 1);
  ASSERT_EQ(controls_.RowCount(), 1);
  EXPECT_EQ(controls_.CellText(0, 0), "full.txt");
  EXPECT_EQ(HealthScore.load(), 99);
}

}  // namespace
