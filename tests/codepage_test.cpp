#include "text/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

#ifdef _WIN32
NativeString N(const wchar_t* text) { return text; }
#else
// Native names are UTF-8 off Windows; the literals below are UTF-8 source text.
NativeString N(const wchar_t* text) {
  NativeString out;
  for (; *text; ++text) {
    const auto c = static_cast<unsigned long>(*text);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}
#endif

std::string ToGbk(const NativeString& native, bool& exact) {
  std::string gbk;
  exact = NativeToGbk(native, gbk);
  return gbk;
}

}  // namespace

TEST(CodepageTest, Utf8ToGbkGivesTheKnownBytesOfTheProgramsTexts) {
  EXPECT_EQ(Utf8ToGbk("扫描结束!"), "\xC9\xA8\xC3\xE8\xBD\xE1\xCA\xF8!");
  EXPECT_EQ(Utf8ToGbk("（硬盘）"), "\xA3\xA8\xD3\xB2\xC5\xCC\xA3\xA9");
  EXPECT_EQ(Utf8ToGbk("…"), "\xA1\xAD");
  EXPECT_EQ(Utf8ToGbk("⊙﹏⊙"), "\xA1\xD1\xA9\x6E\xA1\xD1");
  EXPECT_EQ(Utf8ToGbk("╯□╰"), "\xA8\x73\xA1\xF5\xA8\x74");
  EXPECT_EQ(Utf8ToGbk("—"), "\xA1\xAA");
  EXPECT_EQ(Utf8ToGbk("～"), "\xA1\xAB");
  EXPECT_EQ(Utf8ToGbk("“%s”"), "\xA1\xB0%s\xA1\xB1");
  EXPECT_EQ(Utf8ToGbk("错误信息："), "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA");
  // Kana, the prolonged sound mark and traditional characters of the keyword lists.
  EXPECT_EQ(Utf8ToGbk("エロ"), "\xA5\xA8\xA5\xED");
  EXPECT_EQ(Utf8ToGbk("ー"), "\xA9\x60");
  EXPECT_EQ(Utf8ToGbk("無碼"), "\x9F\x6F\xB4\x61");
  EXPECT_EQ(Utf8ToGbk("KEVU-电脑健康度"), "KEVU-\xB5\xE7\xC4\xD4\xBD\xA1\xBF\xB5\xB6\xC8");
  EXPECT_EQ(Utf8ToGbk(""), "");
}

TEST(CodepageTest, Utf8ToGbkRefusesTextItCannotConvertWhole) {
  EXPECT_EQ(Utf8ToGbk("abc\xFF"), "");        // not UTF-8
  EXPECT_EQ(Utf8ToGbk("a\xE6\x89"), "");      // cut-off sequence
  EXPECT_EQ(Utf8ToGbk("\xC0\xAF"), "");       // overlong '/'
  EXPECT_EQ(Utf8ToGbk("a😀b"), "");           // outside GBK
  EXPECT_EQ(Utf8ToGbk("한"), "");              // Hangul syllable: not in GBK
}

TEST(CodepageTest, GbkAndUtf8RoundTrip) {
  const std::string texts[] = {"扫描结束!", "可疑色情BT种子", "（硬盘）", "⊙﹏⊙", "無碼 セクシー", "C:\\a b\\c.txt"};
  for (const std::string& text : texts) {
    const std::string gbk = Utf8ToGbk(text);
    ASSERT_FALSE(gbk.empty()) << text;
    EXPECT_EQ(GbkToUtf8(gbk), text);
  }
}

TEST(CodepageTest, NativeNamesRoundTripThroughGbk) {
  const NativeString names[] = {N(L"readme.txt"), N(L"\u6210\u4eba\u7247.avi"), N(L"\u7121\u78bc"),
                                N(L"\u30a8\u30ed\u30fc"), N(L"\uff08\u786c\u76d8\uff09"), N(L"a\\b")};
  for (const NativeString& name : names) {
    bool exact = false;
    const std::string gbk = ToGbk(name, exact);
    EXPECT_TRUE(exact);
    EXPECT_EQ(GbkToNative(gbk), name);
  }
  bool exact = false;
  EXPECT_EQ(ToGbk(N(L"\u6210\u4eba"), exact), "\xB3\xC9\xC8\xCB");
  EXPECT_TRUE(exact);
  EXPECT_EQ(ToGbk(NativeString(), exact), "");
  EXPECT_TRUE(exact);
}

TEST(CodepageTest, CharactersWithoutAGbkFormBecomeAQuestionMarkNeverALookAlike) {
  // Yen and won signs, the full-width and small reverse solidus, the set minus: best-fit tables
  // turn several of them into '\', which would split a name into a bogus path.
  const NativeString lookAlikes[] = {N(L"\u00a5"), N(L"\u20a9"), N(L"\ufe68"), N(L"\u2216"), N(L"\u29f5")};
  for (const NativeString& lookAlike : lookAlikes) {
    bool exact = true;
    const std::string gbk = ToGbk(N(L"a") + lookAlike + N(L"b"), exact);
    EXPECT_EQ(gbk.find('\\'), std::string::npos) << gbk;
    if (!exact) {
      EXPECT_EQ(gbk, "a?b");
    }
  }
  // Letters with accents must not fold to plain ASCII ("Sex" from "Séx" would be a keyword hit).
  bool exact = true;
  EXPECT_EQ(ToGbk(N(L"S\u0119xy"), exact), "S?xy");
  EXPECT_FALSE(exact);
  exact = true;
  EXPECT_EQ(ToGbk(N(L"\ud55c\uae00.txt"), exact), "??.txt");
  EXPECT_FALSE(exact);
}

#ifdef _WIN32
TEST(CodepageTest, AnUnpairedSurrogateBecomesAQuestionMark) {
  bool exact = true;
  const std::wstring name = std::wstring(L"x") + static_cast<wchar_t>(0xD800) + L"y";
  EXPECT_EQ(ToGbk(name, exact), "x?y");
  EXPECT_FALSE(exact);
  EXPECT_EQ(GbkToWide("\xB3\xC9\xC8\xCB"), L"\u6210\u4eba");
}
#else
TEST(CodepageTest, InvalidUtf8BecomesAQuestionMark) {
  bool exact = true;
  EXPECT_EQ(ToGbk("a\xFF" "b", exact), "a?b");
  EXPECT_FALSE(exact);
  exact = true;
  EXPECT_EQ(ToGbk("\xED\xA0\x80", exact), "???");  // an encoded surrogate
  EXPECT_FALSE(exact);
  exact = true;
  EXPECT_EQ(ToGbk("\xE6\x88", exact), "??");  // cut off at the end
  EXPECT_FALSE(exact);
  exact = true;
  EXPECT_EQ(ToGbk("\xE6\x88\xE4\xBA\xBA", exact), "??\xC8\xCB");  // a valid character after the cut
  EXPECT_FALSE(exact);
}

// Names go to GBK through a table made once; the way back is iconv's own. Every character with
// a GBK form must come back as itself, and a 4-byte character has none.
TEST(CodepageTest, EveryGbkCharacterComesBackAsItself) {
  int mapped = 0;
  for (unsigned long cp = 0x80; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const wchar_t wide[2] = {static_cast<wchar_t>(cp), 0};
    const NativeString utf8 = N(wide);
    bool exact = false;
    const std::string gbk = ToGbk(utf8, exact);
    if (!exact) {
      ASSERT_EQ(gbk, "?") << std::hex << cp;
      continue;
    }
    ++mapped;
    ASSERT_TRUE(gbk.size() == 1 || gbk.size() == 2) << std::hex << cp;
    if (GbkToNative(gbk) != utf8) ADD_FAILURE() << "U+" << std::hex << cp << " does not come back";
  }
  EXPECT_GT(mapped, 21000);  // GBK holds some 21,900 characters
  bool exact = true;
  EXPECT_EQ(ToGbk("a\xF0\x9F\x98\x80" "b", exact), "a?b");
  EXPECT_FALSE(exact);
}

TEST(CodepageTest, InvalidGbkBytesBecomeTheReplacementCharacter) {
  EXPECT_EQ(GbkToNative("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  // A lead byte followed by a byte that cannot be a trail byte: that byte survives.
  EXPECT_EQ(GbkToNative("\xB3" "0"), "\xEF\xBF\xBD" "0");
  EXPECT_EQ(GbkToNative("x\xB3"), "x\xEF\xBF\xBD");
}
#endif
