#include "scan/keywords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "scan/keyword_matcher.h"
#include "support/memory_file_reader.h"
#include "support/plain_scan.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

using namespace std::string_literals;

namespace {

std::string G(std::string_view utf8) { return Utf8ToGbk(utf8); }

NativeString P(const std::string& ascii) { return NativeString(ascii.begin(), ascii.end()); }

// The ".txt" rule on a content read in one piece.
bool ContentMatches(const std::string& content) {
  MemoryFileReader reader;
  reader.AddFile(P("whole.txt"), content);
  return MatchContentKeywordsInFile(P("whole.txt"), reader);
}

bool Contains(const std::vector<std::string>& list, const std::string& entry) {
  return std::find(list.begin(), list.end(), entry) != list.end();
}

std::map<std::string, int> Multiplicities(const std::vector<std::string>& list) {
  std::map<std::string, int> counts;
  for (const std::string& entry : list) ++counts[entry];
  return counts;
}

int ValuesListedTwice(const std::vector<std::string>& list) {
  int twice = 0;
  for (const auto& [entry, count] : Multiplicities(list)) {
    EXPECT_LE(count, 2) << GbkToUtf8(entry);
    twice += count == 2 ? 1 : 0;
  }
  return twice;
}

bool IsLatinOrDigits(const std::string& entry) {
  return std::all_of(entry.begin(), entry.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

// Every character double-byte, after an optional leading "69".
bool IsDoubleByteWord(std::string entry) {
  if (entry.rfind("69", 0) == 0) entry.erase(0, 2);
  if (entry.empty() || entry.size() % 2 != 0) return false;
  for (size_t i = 0; i < entry.size(); i += 2) {
    if (!IsLeadByte(entry[i])) return false;
  }
  return true;
}

class KeywordsTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadKeywordLists(); }
  void TearDown() override { ReleaseKeywordLists(); }
};

}  // namespace

TEST_F(KeywordsTest, NameListHasItsFixedShape) {
  const std::string& text = NameKeywordText();
  EXPECT_EQ(text.size(), 1343u);
  EXPECT_NE(text.front(), ',');
  EXPECT_NE(text.back(), ',');
  EXPECT_EQ(text.find(",,"), std::string::npos);
  EXPECT_EQ(text.find(' '), std::string::npos);
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(text)), text);  // valid GBK throughout

  ASSERT_EQ(NameKeywords.size(), 231u);
  int latin = 0;
  for (const std::string& entry : NameKeywords) {
    EXPECT_GE(entry.size(), 2u) << GbkToUtf8(entry);
    EXPECT_LE(entry.size(), 12u) << GbkToUtf8(entry);
    latin += IsLatinOrDigits(entry) ? 1 : 0;
  }
  EXPECT_EQ(latin, 24);
  EXPECT_EQ(ValuesListedTwice(NameKeywords), 8);
  for (const char* example : {"性感", "无码", "無碼", "成人", "18禁", "色情", "Sexy", "tokyo", "Tokyo", "A片", "a片"}) {
    EXPECT_TRUE(Contains(NameKeywords, G(example))) << example;
  }
  EXPECT_FALSE(Contains(NameKeywords, "TOKYO"));
}

TEST_F(KeywordsTest, ContentListHasItsFixedShape) {
  const std::string& text = ContentKeywordText();
  EXPECT_EQ(text.size(), 350u);
  EXPECT_EQ(text.find(",,"), std::string::npos);
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(text)), text);

  ASSERT_EQ(ContentKeywords.size(), 63u);
  int startWith69 = 0;
  for (const std::string& entry : ContentKeywords) {
    EXPECT_GE(entry.size(), 2u) << GbkToUtf8(entry);
    EXPECT_LE(entry.size(), 8u) << GbkToUtf8(entry);
    EXPECT_TRUE(IsDoubleByteWord(entry)) << GbkToUtf8(entry);
    startWith69 += entry.rfind("69", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(startWith69, 2);
  EXPECT_EQ(ValuesListedTwice(ContentKeywords), 1);
  EXPECT_TRUE(Contains(ContentKeywords, G("黄色文学")));
  EXPECT_TRUE(Contains(ContentKeywords, G("乳房")));
}

TEST_F(KeywordsTest, LoadingAgainReplacesAndReleaseEmpties) {
  LoadKeywordLists();
  EXPECT_EQ(NameKeywords.size(), 231u);
  EXPECT_EQ(ContentKeywords.size(), 63u);
  ReleaseKeywordLists();
  EXPECT_TRUE(NameKeywords.empty());
  EXPECT_TRUE(ContentKeywords.empty());
  EXPECT_FALSE(MatchNameKeywords(G("性感.jpg")));
  EXPECT_FALSE(ContentMatches(G("乳房胸部酥胸玉腿丝袜")));
}

TEST_F(KeywordsTest, NameMatchingIsExactAndAtCharacterBoundaries) {
  EXPECT_TRUE(MatchNameKeywords(G("性感美女.jpg")));
  EXPECT_TRUE(MatchNameKeywords(G("我的無碼.avi")));
  EXPECT_TRUE(MatchNameKeywords("tokyo_2010.avi"));
  EXPECT_TRUE(MatchNameKeywords("Tokyo.avi"));
  EXPECT_FALSE(MatchNameKeywords("TOKYO.avi"));
  EXPECT_TRUE(MatchNameKeywords(G("A片.rmvb")));
  EXPECT_FALSE(MatchNameKeywords(G("Ａ片.rmvb")));  // a full-width letter is another character
  // 'S' as the second byte of a double-byte character starts no keyword.
  EXPECT_FALSE(MatchNameKeywords("\xB0Sexy.avi"));
  EXPECT_TRUE(MatchNameKeywords("\xB0\xA1Sexy.avi"));
  EXPECT_FALSE(MatchNameKeywords(""));
}

TEST_F(KeywordsTest, SystemFileNamesMatchAsThePlainScanSays) {
  const char* const names[] = {
      "Favorites", "java.exe", "javaw.exe", "saved", "Saved Games", "explorer.exe", "notepad.exe",
      "desktop.ini", "Essex.jpg", "sexton.doc", "Middlesex.png", "unsexy", "nudge.dll", "Tokyo_",
      "TOKYO.jpg", "Unixxx", "Xxx", "shell32.dll", "user32.dll", "msxml3.dll", "d3dx9_43.dll",
      "r1800.bin", "GRAVURE.jpg", "Hentaiz", "PlayBoy.bmp", "playground.mp4", "bikinis",
      "wmplayer.exe", "caribbean.mp3", "jav.lib", "Nudes", "R1.8", "h1.mp3"};
  for (const char* name : names) {
    const bool expected = PlainScanMatchAny(name, NameKeywords);
    EXPECT_EQ(MatchNameKeywords(name), expected) << name;
  }
  for (const char* name : {"Favorites", "java.exe", "saved", "Essex.jpg", "TOKYO.jpg", "msxml3.dll", "d3dx9_43.dll",
                           "wmplayer.exe", "caribbean.mp3", "jav.lib", "explorer.exe", "desktop.ini"}) {
    EXPECT_FALSE(MatchNameKeywords(name)) << name;
  }
}

TEST_F(KeywordsTest, ContentNeedsFiveEntriesCountingTheTwiceListedOneTwice) {
  const auto counts = Multiplicities(ContentKeywords);
  std::string twice;
  std::vector<std::string> once;
  for (const auto& [entry, count] : counts) {
    if (count == 2) twice = entry; else once.push_back(entry);
  }
  ASSERT_FALSE(twice.empty());
  ASSERT_GE(once.size(), 5u);
  const std::string sep = "\xA1\xA3 ok ";  // "。" and ASCII between the words
  const std::string four = once[0] + sep + once[1] + sep + once[2] + sep + once[3];
  EXPECT_FALSE(ContentMatches(four + sep + four));
  EXPECT_TRUE(ContentMatches(four + sep + once[4]));
  EXPECT_TRUE(ContentMatches(twice + sep + once[0] + once[1] + once[2]));
  EXPECT_FALSE(ContentMatches(twice + sep + once[0] + once[1]));
  EXPECT_TRUE(ContentMatches(G("她的乳房和胸部，酥胸、玉腿与丝袜")));
  // Only the text before the first NUL counts.
  EXPECT_FALSE(ContentMatches("\0"s + four + sep + once[4]));
  EXPECT_FALSE(ContentMatches(four + "\0"s + once[4]));
  EXPECT_FALSE(ContentMatches(""));
}

TEST_F(KeywordsTest, FileMatchingEqualsWholeBufferMatching) {
  const std::string k = G("黄色文学乳房胸部酥胸玉腿");
  // Pieces of 1, 2, 3 and 5 bytes cut inside the keywords and inside double-byte characters;
  // a leading 'x' moves every cut by one byte.
  const std::string contents[] = {k, "x" + k, "\xB0" + k, G("乳房胸部酥胸玉腿"), k + "\0"s + "abc",
                                  G("乳房胸部") + "\0"s + G("酥胸玉腿丝袜"), "", "\0"s + k};
  for (const std::string& content : contents) {
    for (size_t piece : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size_t{5}}) {
      MemoryFileReader reader;
      reader.AddFile(P("a.txt"), content, piece);
      EXPECT_EQ(MatchContentKeywordsInFile(P("a.txt"), reader), ContentMatches(content))
          << GbkToUtf8(content) << " in pieces of " << piece;
    }
  }
}

TEST_F(KeywordsTest, FileMatchingAcrossTheReadChunksOfALargeFile) {
  const std::string words = G("黄色文学乳房胸部酥胸玉腿");
  for (size_t cut : {size_t{1}, size_t{3}, size_t{8}, size_t{11}}) {
    // The keywords straddle the 64 KiB read boundary, at several offsets.
    std::string content(64 * 1024 - cut, 'a');
    content += words;
    MemoryFileReader reader;
    reader.AddFile(P("big.txt"), content);
    EXPECT_TRUE(MatchContentKeywordsInFile(P("big.txt"), reader)) << cut;
    // A stray lead byte just before the chunk boundary shifts every later character.
    std::string shifted(64 * 1024 - 1, 'a');
    shifted += '\xB0' + content.substr(shifted.size());
    reader.AddFile(P("shift.txt"), shifted);
    EXPECT_EQ(MatchContentKeywordsInFile(P("shift.txt"), reader), PlainScanCountReaches(shifted, ContentKeywords, 5)) << cut;
  }
}

TEST_F(KeywordsTest, FileReadingStopsAtTheAnswerOrAtTheFirstNul) {
  const std::string hits = G("黄色文学乳房胸部酥胸玉腿");
  MemoryFileReader reader;
  reader.AddFile(P("early.txt"), hits + std::string(1 << 20, 'z'));
  EXPECT_TRUE(MatchContentKeywordsInFile(P("early.txt"), reader));
  EXPECT_LE(reader.BytesRead(P("early.txt")), 64 * 1024);

  reader.AddFile(P("nul.txt"), std::string(70 * 1024, 'z') + "\0"s + hits + std::string(1 << 20, 'z'));
  EXPECT_FALSE(MatchContentKeywordsInFile(P("nul.txt"), reader));
  EXPECT_LE(reader.BytesRead(P("nul.txt")), 128 * 1024);
}

TEST_F(KeywordsTest, UnopenableOrUnreadableFilesAreNotSuspect) {
  const std::string hits = G("黄色文学乳房胸部酥胸玉腿");
  MemoryFileReader reader;
  EXPECT_FALSE(MatchContentKeywordsInFile(P("missing.txt"), reader));
  EXPECT_EQ(reader.OpenCount(P("missing.txt")), 1);
  reader.AddUnopenable(P("locked.txt"));
  EXPECT_FALSE(MatchContentKeywordsInFile(P("locked.txt"), reader));

  // A read error after the first pieces: the keywords read so far do not count.
  MemoryFileReader::File failing;
  failing.content = G("黄色文学乳房") + std::string(100, 'z') + G("胸部酥胸玉腿");
  failing.maxReadSize = 8;
  failing.failAfterBytes = 16;
  reader.AddFile(P("bad.txt"), failing);
  EXPECT_FALSE(MatchContentKeywordsInFile(P("bad.txt"), reader));

  failing.failAfterBytes = 0;
  failing.content = hits;
  reader.AddFile(P("bad0.txt"), failing);
  EXPECT_FALSE(MatchContentKeywordsInFile(P("bad0.txt"), reader));
}

TEST_F(KeywordsTest, RandomFilesAgreeWithThePlainScan) {
  std::mt19937 rng(99);
  const auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  const std::string fillers[] = {"a", " ", "\xA1\xA3", "\xB0", G("的"), "\n", "\0"s};
  for (int round = 0; round < 400; ++round) {
    std::string content;
    const size_t pieces = pick(30);
    for (size_t i = 0; i < pieces; ++i) {
      content += pick(3) == 0 ? ContentKeywords[pick(ContentKeywords.size())] : fillers[pick(pick(8) == 0 ? 7 : 6)];
    }
    MemoryFileReader reader;
    reader.AddFile(P("r.txt"), content, 1 + pick(7));
    const std::string beforeNul = content.substr(0, content.find('\0'));
    const bool expected = PlainScanCountReaches(beforeNul, ContentKeywords, 5);
    ASSERT_EQ(ContentMatches(content), expected) << round;
    ASSERT_EQ(MatchContentKeywordsInFile(P("r.txt"), reader), expected) << round;
  }
}
