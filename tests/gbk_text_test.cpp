#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// "扫描" in GBK: C9 A8 C3 E8.
const std::string kScan = "\xC9\xA8\xC3\xE8";
// A double-byte character whose second byte is 'A' (0x41) and one whose second byte is '\'.
const std::string kTrailA = "\x81\x41";
const std::string kTrailBackslash = "\x95\x5C";

}  // namespace

TEST(GbkTextTest, SplitTextKeepsInnerEmptyPiecesButNoneAfterATrailingDelimiter) {
  using Pieces = std::vector<std::string>;
  EXPECT_EQ(SplitText("", ','), Pieces{});
  EXPECT_EQ(SplitText("a", ','), Pieces{"a"});
  EXPECT_EQ(SplitText("a,b,c", ','), (Pieces{"a", "b", "c"}));
  EXPECT_EQ(SplitText("a,,b", ','), (Pieces{"a", "", "b"}));
  EXPECT_EQ(SplitText("a,b,", ','), (Pieces{"a", "b"}));
  EXPECT_EQ(SplitText(",a", ','), (Pieces{"", "a"}));
  EXPECT_EQ(SplitText(",", ','), (Pieces{""}));
  EXPECT_EQ(SplitText(",,", ','), (Pieces{"", ""}));
  EXPECT_EQ(SplitText(kScan + "," + kTrailA, ','), (Pieces{kScan, kTrailA}));
}

TEST(GbkTextTest, IntegersArePlainDecimal) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(100), "100");
  EXPECT_EQ(IntToText(-1), "-1");
  EXPECT_EQ(IntToText(1234567), "1234567");
  EXPECT_EQ(IntToText(-2147483648LL), "-2147483648");
  EXPECT_EQ(UIntToText(4294967296ULL), "4294967296");
  EXPECT_EQ(UIntToText(18446744073709551615ULL), "18446744073709551615");
}

TEST(GbkTextTest, EndsWithLowerComparesTheLowerCasedLastBytes) {
  EXPECT_TRUE(EndsWithLower("README.TXT", ".txt"));
  EXPECT_TRUE(EndsWithLower("x.torrent", "rent"));
  EXPECT_TRUE(EndsWithLower("x.RM", ".rm"));
  EXPECT_FALSE(EndsWithLower("x.jpeg", ".jpg"));
  EXPECT_FALSE(EndsWithLower("txt", ".txt"));
  EXPECT_TRUE(EndsWithLower(".TXT", ".txt"));
  // The cut begins at a byte >= 0x80, so the byte after it is kept as it is.
  EXPECT_FALSE(EndsWithLower("\xC9T.tx", "\xC9t.tx"));
  EXPECT_TRUE(EndsWithLower("\xC9T.TX", "\xC9T.tx"));
  // A lead byte as the last byte of the cut is compared alone.
  EXPECT_TRUE(EndsWithLower("A\xC9", "a\xC9"));
  EXPECT_TRUE(EndsWithLower("anything", ""));
  EXPECT_FALSE(EndsWithLower("", ".txt"));
}

TEST(GbkTextTest, ToFullWidthMapsAsciiToTheFullWidthForms) {
  EXPECT_EQ(ToFullWidth("A~ -"), "\xA3\xC1\xA1\xAB\xA1\xA1\xA3\xAD");
  EXPECT_EQ(ToFullWidth("Mirel-QT"), "\xA3\xCD\xA3\xE9\xA3\xF2\xA3\xE5\xA3\xEC\xA3\xAD\xA3\xD1\xA3\xD4");
  EXPECT_EQ(ToFullWidth("Mirel-QT").size(), 16u);
  EXPECT_EQ(ToFullWidth("!}"), "\xA3\xA1\xA3\xFD");
  EXPECT_EQ(ToFullWidth("a" + kScan + "b"), "\xA3\xE1" + kScan + "\xA3\xE2");
  // The second byte of a double-byte character is never converted, even when it is ASCII.
  EXPECT_EQ(ToFullWidth(kTrailA), kTrailA);
  // A lead byte at the very end is dropped; control bytes and DEL pass unchanged.
  EXPECT_EQ(ToFullWidth("A\xC9"), "\xA3\xC1");
  EXPECT_EQ(ToFullWidth("\t\x7F"), "\t\x7F");
  // The text ends at its first NUL.
  EXPECT_EQ(ToFullWidth("A\0B"s), "\xA3\xC1");
  EXPECT_EQ(ToFullWidth("\xC9\0B"s), "");
  EXPECT_EQ(ToFullWidth(""), "");
}

TEST(GbkTextTest, IsTmpModuleNameLooksOnlyAtTheFileName) {
  EXPECT_TRUE(IsTmpModuleName("C:\\Temp\\SCAN.TMP"));
  EXPECT_TRUE(IsTmpModuleName("C:\\Temp\\scan.tmp"));
  EXPECT_TRUE(IsTmpModuleName("C:\\Temp\\Scan.Tmp"));
  EXPECT_FALSE(IsTmpModuleName("C:\\Temp\\scan.tmp.exe"));
  EXPECT_FALSE(IsTmpModuleName("C:\\Temp\\scan.tmpx"));
  EXPECT_FALSE(IsTmpModuleName("C:\\Temp\\scantmp"));
  EXPECT_FALSE(IsTmpModuleName("C:\\x.tmp\\a.exe"));
  // Four bytes or fewer: compared whole.
  EXPECT_TRUE(IsTmpModuleName("C:\\.TMP"));
  EXPECT_TRUE(IsTmpModuleName(".tmp"));
  EXPECT_FALSE(IsTmpModuleName("C:\\tmp"));
  EXPECT_FALSE(IsTmpModuleName("tmp"));
  EXPECT_FALSE(IsTmpModuleName("C:\\x.tmp\\"));
  EXPECT_FALSE(IsTmpModuleName(""));
  // A path without any '\' is used whole.
  EXPECT_TRUE(IsTmpModuleName("kevu.tmp"));
  EXPECT_TRUE(IsTmpModuleName(kScan + ".tmp"));
  EXPECT_TRUE(IsTmpModuleName("C:\\dir\\" + kTrailBackslash + ".tmp"));
}
