// The skin file format: round trips, the two shipped descriptions, and every way a file can be bad.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "skin/skin_format.h"
#include "skin/skin_text.h"

namespace {

SkinLook SampleLook() {
  SkinLook look;
  look.name = "Sample";
  for (size_t i = 0; i < kSkinColourCount; ++i) {
    look.colours[i] = SkinRgb(static_cast<unsigned>(i * 10), static_cast<unsigned>(255 - i), 0x40);
  }
  return look;
}

// Puts total size and checksum right again after a test changed the bytes.
void Reseal(std::vector<uint8_t>& bytes) {
  const uint32_t size = static_cast<uint32_t>(bytes.size());
  for (int i = 0; i < 4; ++i) bytes[8 + i] = static_cast<uint8_t>(size >> (8 * i));
  const uint32_t sum = SkinChecksum(bytes.data() + kSkinHeaderSize, bytes.size() - kSkinHeaderSize);
  for (int i = 0; i < 4; ++i) bytes[12 + i] = static_cast<uint8_t>(sum >> (8 * i));
}

void AppendRecord(std::vector<uint8_t>& bytes, uint16_t key, std::vector<uint8_t> value) {
  bytes.push_back(static_cast<uint8_t>(key));
  bytes.push_back(static_cast<uint8_t>(key >> 8));
  bytes.push_back(static_cast<uint8_t>(value.size()));
  bytes.push_back(static_cast<uint8_t>(value.size() >> 8));
  bytes.insert(bytes.end(), value.begin(), value.end());
}

// Offset of the record with this key in a serialized look.
size_t RecordOffset(const std::vector<uint8_t>& bytes, uint16_t key) {
  size_t at = kSkinHeaderSize;
  while (at + 4 <= bytes.size()) {
    const uint16_t k = static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    if (k == key) return at;
    at += 4 + static_cast<size_t>(bytes[at + 2] | (bytes[at + 3] << 8));
  }
  return 0;
}

SkinStatus Parse(const std::vector<uint8_t>& bytes) {
  SkinLook look;
  return ParseSkin(bytes.data(), bytes.size(), look);
}

std::string ReadDescription(const std::string& name) {
  std::string here = __FILE__;
  here = here.substr(0, here.find_last_of("/\\") + 1);
  std::ifstream in(here + "../skin/" + name, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(SkinFormat, RoundTripKeepsNameAndEveryColour) {
  const SkinLook look = SampleLook();
  const std::vector<uint8_t> bytes = SerializeSkin(look);
  SkinLook read;
  ASSERT_EQ(ParseSkin(bytes.data(), bytes.size(), read), SkinStatus::Ok);
  EXPECT_EQ(read.name, "Sample");
  EXPECT_EQ(read.colours, look.colours);
  EXPECT_EQ(SerializeSkin(look), bytes) << "the same look must give the same bytes";
}

TEST(SkinFormat, ShippedDescriptionsGiveTwoDifferentLooks) {
  SkinLook frost, ember;
  std::string error;
  ASSERT_TRUE(ParseSkinText(ReadDescription("frost.skin.txt"), frost, error)) << error;
  ASSERT_TRUE(ParseSkinText(ReadDescription("ember.skin.txt"), ember, error)) << error;
  auto red = [](SkinColour c) { return static_cast<int>(c & 0xFF); };
  auto blue = [](SkinColour c) { return static_cast<int>((c >> 16) & 0xFF); };
  // Frost is cool (more blue than red), Ember warm (more red than blue), face and caption alike.
  for (SkinKey key : {SkinKey::WindowFace, SkinKey::CaptionActiveLeft, SkinKey::ButtonFace}) {
    EXPECT_GT(blue(frost.Get(key)), red(frost.Get(key)));
    EXPECT_GT(red(ember.Get(key)), blue(ember.Get(key)));
  }
  const std::vector<uint8_t> bytes = SerializeSkin(ember);
  SkinLook back;
  EXPECT_EQ(ParseSkin(bytes.data(), bytes.size(), back), SkinStatus::Ok);
  EXPECT_EQ(back.name, "Ember");
}

TEST(SkinFormat, UnknownRecordsAreSkipped) {
  std::vector<uint8_t> bytes = SerializeSkin(SampleLook());
  AppendRecord(bytes, 0x7777, {1, 2, 3, 4, 5, 6, 7});
  AppendRecord(bytes, 0x7778, {});
  Reseal(bytes);
  EXPECT_EQ(Parse(bytes), SkinStatus::Ok);
}

struct BadCase {
  const char* what;
  void (*change)(std::vector<uint8_t>&);
  SkinStatus expected;
};

const BadCase kBadCases[] = {
    {"empty", [](std::vector<uint8_t>& b) { b.clear(); }, SkinStatus::NotASkin},
    {"shorter than a header", [](std::vector<uint8_t>& b) { b.resize(kSkinHeaderSize - 1); }, SkinStatus::NotASkin},
    {"wrong magic", [](std::vector<uint8_t>& b) { b[0] = 'M'; }, SkinStatus::NotASkin},
    {"text file", [](std::vector<uint8_t>& b) { b.assign(40, 'a'); }, SkinStatus::NotASkin},
    {"version 2", [](std::vector<uint8_t>& b) { b[4] = 2; }, SkinStatus::BadVersion},
    {"version 0", [](std::vector<uint8_t>& b) { b[4] = 0; }, SkinStatus::BadVersion},
    {"version 0x0101", [](std::vector<uint8_t>& b) { b[5] = 1; }, SkinStatus::BadVersion},
    {"header size", [](std::vector<uint8_t>& b) { b[6] = 20; }, SkinStatus::Corrupt},
    {"truncated", [](std::vector<uint8_t>& b) { b.resize(b.size() - 3); }, SkinStatus::Corrupt},
    {"trailing bytes", [](std::vector<uint8_t>& b) { b.push_back(0); }, SkinStatus::Corrupt},
    {"huge total size", [](std::vector<uint8_t>& b) { b[8] = b[9] = b[10] = b[11] = 0xFF; }, SkinStatus::Corrupt},
    {"checksum", [](std::vector<uint8_t>& b) { b[12] ^= 1; }, SkinStatus::Corrupt},
    {"a colour byte", [](std::vector<uint8_t>& b) { b[b.size() - 2] ^= 0x10; }, SkinStatus::Corrupt},
    {"record overruns the end",
     [](std::vector<uint8_t>& b) {
       AppendRecord(b, 0x7777, {});
       b[b.size() - 2] = 9;
       Reseal(b);
     },
     SkinStatus::Corrupt},
    {"half a record header",
     [](std::vector<uint8_t>& b) {
       b.push_back(0x01);
       b.push_back(0x01);
       Reseal(b);
     },
     SkinStatus::Corrupt},
    {"colour of three bytes",
     [](std::vector<uint8_t>& b) {
       const size_t at = RecordOffset(b, static_cast<uint16_t>(SkinKey::WindowFace));
       b[at + 2] = 3;
       b.erase(b.begin() + static_cast<std::ptrdiff_t>(at + 7));
       Reseal(b);
     },
     SkinStatus::Corrupt},
    {"colour with a high byte",
     [](std::vector<uint8_t>& b) {
       b[RecordOffset(b, static_cast<uint16_t>(SkinKey::ListGrid)) + 7] = 1;
       Reseal(b);
     },
     SkinStatus::Corrupt},
    {"colour given twice",
     [](std::vector<uint8_t>& b) {
       AppendRecord(b, static_cast<uint16_t>(SkinKey::ButtonFace), {1, 2, 3, 0});
       Reseal(b);
     },
     SkinStatus::Corrupt},
    {"colour missing",
     [](std::vector<uint8_t>& b) {
       const size_t at = RecordOffset(b, static_cast<uint16_t>(SkinKey::ComboText));
       b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 8));
       Reseal(b);
     },
     SkinStatus::Corrupt},
    {"name given twice",
     [](std::vector<uint8_t>& b) {
       AppendRecord(b, kSkinNameKey, {'x'});
       Reseal(b);
     },
     SkinStatus::Corrupt},
    {"name too long",
     [](std::vector<uint8_t>& b) {
       const size_t at = RecordOffset(b, kSkinNameKey);
       b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 4 + 6));
       AppendRecord(b, kSkinNameKey, std::vector<uint8_t>(kSkinMaxNameBytes + 1, 'n'));
       Reseal(b);
     },
     SkinStatus::Corrupt},
    {"larger than any skin",
     [](std::vector<uint8_t>& b) {
       while (b.size() <= kSkinMaxFileSize) AppendRecord(b, 0x7777, std::vector<uint8_t>(60000, 0));
       Reseal(b);
     },
     SkinStatus::Corrupt},
};

TEST(SkinFormat, BadFilesAreRejectedAndChangeNothing) {
  for (const BadCase& c : kBadCases) {
    std::vector<uint8_t> bytes = SerializeSkin(SampleLook());
    c.change(bytes);
    SkinLook out;
    out.name = "untouched";
    EXPECT_EQ(ParseSkin(bytes.data(), bytes.size(), out), c.expected) << c.what;
    EXPECT_EQ(out.name, "untouched") << c.what;
  }
}

TEST(SkinFormat, EveryTruncationIsRejected) {
  const std::vector<uint8_t> bytes = SerializeSkin(SampleLook());
  SkinLook out;
  for (size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_NE(ParseSkin(bytes.data(), n, out), SkinStatus::Ok) << n;
  }
  EXPECT_EQ(ParseSkin(nullptr, 0, out), SkinStatus::NotASkin);
}

TEST(SkinText, AcceptsCommentsBlankLinesAndCrLf) {
  std::string text = "# a look\r\n\r\nname = Test Look\r\n";
  for (const SkinKeyInfo& k : kSkinKeys) text += std::string("  ") + k.name + " =\t#a0B1c2\r\n";
  SkinLook look;
  std::string error;
  ASSERT_TRUE(ParseSkinText(text, look, error)) << error;
  EXPECT_EQ(look.name, "Test Look");
  EXPECT_EQ(look.Get(SkinKey::HeaderText), SkinRgb(0xA0, 0xB1, 0xC2));
}

TEST(SkinText, RejectsBadDescriptionsNamingTheLine) {
  std::string full;
  for (const SkinKeyInfo& k : kSkinKeys) full += std::string(k.name) + " = #000000\n";
  const struct {
    std::string text;
    const char* expectedError;
  } cases[] = {
      {full + "window.face = #FFFFFF\n", "line 22: 'window.face' given twice"},
      {full + "window.fcae = #FFFFFF\n", "line 22: unknown key 'window.fcae'"},
      {full + "just words\n", "line 22: expected key = value"},
      {"window.face = #12345\n", "line 1: colour must be #RRGGBB"},
      {"window.face = #GG0000\n", "line 1: colour must be #RRGGBB"},
      {"window.face = 808080\n", "line 1: colour must be #RRGGBB"},
      {"name = " + std::string(kSkinMaxNameBytes + 1, 'n') + "\n", "line 1: name too long"},
      {"", "missing 'window.face'"},
      {full.substr(0, full.rfind("combo.text")), "missing 'combo.text'"},
  };
  for (const auto& c : cases) {
    SkinLook look;
    look.name = "untouched";
    std::string error;
    EXPECT_FALSE(ParseSkinText(c.text, look, error)) << c.expectedError;
    EXPECT_EQ(error, c.expectedError);
    EXPECT_EQ(look.name, "untouched");
  }
}

}  // namespace
