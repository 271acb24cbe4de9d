#include "scan/classifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "scan/keywords.h"
#include "scan/walker.h"
#include "support/fakes.h"
#include "support/memory_file_reader.h"
#include "support/plain_scan.h"
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

// One file as the walk hands it over, judged by SuspectCategory.
struct Judged {
  std::string dir = "D:\\";
  std::string name;
  bool offline = false;
  ContentAnswer listed = ContentAnswer::NotWorkedOut;  // the read-ahead's answer
};

class SuspectCategoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadKeywordLists();
    k_ = G("性感");
    ASSERT_NE(std::find(NameKeywords.begin(), NameKeywords.end(), k_), NameKeywords.end());
  }
  // The category text, or "-" for no suspect.
  std::string Judge(const Judged& f) {
    const NativeString nativeDir = GbkToNative(f.dir), nativeName = GbkToNative(f.name);
    const FoundFile file{f.dir, f.name, 1, nativeDir, nativeName, false, f.offline, f.listed};
    const std::string* category = SuspectCategory(file, reader_);
    return category ? *category : "-";
  }
  void Content(const std::string& gbkName, std::string content) {
    reader_.AddFile(GbkToNative("D:\\" + gbkName), std::move(content));
  }
  int Opens(const std::string& gbkName) const { return reader_.OpenCount(GbkToNative("D:\\" + gbkName)); }

  MemoryFileReader reader_;
  std::string k_;
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

TEST_F(SuspectCategoryTest, NameRuleEveryCategoryAndEdgeCases) {
  const std::string video = CategoryForName(".avi"), picture = CategoryForName(".jpg"),
                    seed = CategoryForName(".torrent"), file = CategoryForName("");
  const struct {
    std::string dir, name, want;
  } cases[] = {
      {"D:\\", "n" + k_ + ".AVI", video},       {"D:\\", "n" + k_ + ".wmv", video},
      {"D:\\", "n" + k_ + ".RM", video},        {"D:\\", "n" + k_ + ".rmvb", video},
      {"D:\\", "n" + k_ + ".gif", picture},     {"D:\\", "n" + k_ + ".mp3", CategoryForName(".mp3")},
      {"D:\\", "n" + k_ + ".torrent", seed},    {"D:\\", k_ + "rent", seed},  // no extension
      {"D:\\", "n" + k_ + ".jpeg", file},       {"D:\\", "n" + k_ + ".doc", file},
      {"D:\\", "my tokyo.avi", video},          {"D:\\", "clip.avi", "-"},
      {"D:\\", "TOKYO.avi", "-"},  // the list holds tokyo and Tokyo, not TOKYO
      {"D:\\" + k_ + "\\", "plain.avi", "-"},  // a keyword in the folder counts for nothing
      // A keyword cannot start at the second byte of a double-byte character.
      {"D:\\", std::string("\xB0") + k_.substr(0, 1) + k_.substr(1) + ".avi", "-"},
  };
  for (const auto& c : cases) EXPECT_EQ(Judge({c.dir, c.name}), c.want) << GbkToUtf8(c.name);
  EXPECT_EQ(reader_.OpenCount(GbkToNative("D:\\clip.avi")), 0) << "only .txt files are read";
}

TEST_F(SuspectCategoryTest, TxtFilesAreJudgedByTheirContentOnly) {
  const std::string five = ContentWithHits(5, false);
  Content("README.TXT", five);
  Content(k_ + ".txt", ContentWithHits(4, false));  // the name keyword does not count
  Content("twice.txt", ContentWithHits(5, true));   // the twice-listed entry counts twice
  Content("nul.txt", std::string(1, '\0') + five);
  Content("empty.txt", "");
  reader_.AddUnopenable(GbkToNative("D:\\locked.txt"));
  Content("cold.txt", five);
  const std::string article = kArticleCategory.Gbk();
  EXPECT_EQ(Judge({.name = "README.TXT"}), article);
  EXPECT_EQ(Judge({.name = "twice.txt"}), article);
  EXPECT_EQ(Judge({.name = k_ + ".txt"}), "-");
  EXPECT_EQ(Judge({.name = "nul.txt"}), "-");
  EXPECT_EQ(Judge({.name = "empty.txt"}), "-");
  EXPECT_EQ(Judge({.name = "locked.txt"}), "-");
  EXPECT_EQ(Judge({.name = "missing.txt"}), "-");
  // Data not on the disk is never read: reading would recall it.
  EXPECT_EQ(Judge({.name = "cold.txt", .offline = true}), "-");
  EXPECT_EQ(Opens("cold.txt"), 0);
  // The read-ahead's answer stands; the file is not read again.
  EXPECT_EQ(Judge({.name = "README.TXT", .listed = ContentAnswer::NotSuspect}), "-");
  EXPECT_EQ(Judge({.name = k_ + ".txt", .listed = ContentAnswer::Suspect}), article);
  EXPECT_EQ(Opens("README.TXT"), 1);
  EXPECT_EQ(Opens(k_ + ".txt"), 1);
}

TEST(ClassifierReadsContent, TxtWithDataOnTheDiskEvenWhenListedEmpty) {
  const auto listed = [](const char* name, uint64_t size, bool offline) {
    ListedEntry e;
    e.name = NativeFromUtf8(name);
    e.size = size;
    e.contentOffline = offline;
    return ClassifierReadsContent(e);
  };
  EXPECT_TRUE(listed("a.txt", 10, false));
  EXPECT_TRUE(listed("A.TXT", 0, false)) << "a listed size of 0 may be stale";
  EXPECT_TRUE(listed("小说.txt", 10, false));
  EXPECT_FALSE(listed("a.txt", 10, true));
  EXPECT_FALSE(listed("a.text", 10, false));
  EXPECT_FALSE(listed("txt", 10, false));
}

}  // namespace
