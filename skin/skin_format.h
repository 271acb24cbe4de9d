// Our skin file format (see FORMAT.md): the look's colours, read from and written to bytes.
// Portable: no platform headers, so it is unit-tested and fuzzed natively.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Colour as 0x00BBGGRR, the layout of a Win32 COLORREF.
using SkinColour = uint32_t;

constexpr SkinColour SkinRgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

// Every colour of a look; the numbers are the record keys in the file.
enum class SkinKey : uint16_t {
  WindowFace = 0x0101,
  WindowText = 0x0102,
  CaptionActiveLeft = 0x0201,
  CaptionActiveRight = 0x0202,
  CaptionInactiveLeft = 0x0203,
  CaptionInactiveRight = 0x0204,
  CaptionText = 0x0205,
  CaptionInactiveText = 0x0206,
  ButtonFace = 0x0301,
  ButtonBorder = 0x0302,
  ButtonHot = 0x0303,
  ButtonPressed = 0x0304,
  ButtonText = 0x0305,
  ButtonFocus = 0x0306,
  ListBack = 0x0401,
  ListText = 0x0402,
  ListGrid = 0x0403,
  HeaderFace = 0x0404,
  HeaderText = 0x0405,
  ComboBack = 0x0501,
  ComboText = 0x0502,
};

// A record key that names the look (UTF-8 text, informational only).
constexpr uint16_t kSkinNameKey = 0x0001;

struct SkinKeyInfo {
  SkinKey key;
  const char* name;  // the name in the readable description
};
inline constexpr std::array<SkinKeyInfo, 21> kSkinKeys = {{
    {SkinKey::WindowFace, "window.face"},
    {SkinKey::WindowText, "window.text"},
    {SkinKey::CaptionActiveLeft, "caption.active.left"},
    {SkinKey::CaptionActiveRight, "caption.active.right"},
    {SkinKey::CaptionInactiveLeft, "caption.inactive.left"},
    {SkinKey::CaptionInactiveRight, "caption.inactive.right"},
    {SkinKey::CaptionText, "caption.text"},
    {SkinKey::CaptionInactiveText, "caption.inactive.text"},
    {SkinKey::ButtonFace, "button.face"},
    {SkinKey::ButtonBorder, "button.border"},
    {SkinKey::ButtonHot, "button.hot"},
    {SkinKey::ButtonPressed, "button.pressed"},
    {SkinKey::ButtonText, "button.text"},
    {SkinKey::ButtonFocus, "button.focus"},
    {SkinKey::ListBack, "list.back"},
    {SkinKey::ListText, "list.text"},
    {SkinKey::ListGrid, "list.grid"},
    {SkinKey::HeaderFace, "header.face"},
    {SkinKey::HeaderText, "header.text"},
    {SkinKey::ComboBack, "combo.back"},
    {SkinKey::ComboText, "combo.text"},
}};
constexpr size_t kSkinColourCount = kSkinKeys.size();

// Colours in the order of kSkinKeys.
using SkinColours = std::array<SkinColour, kSkinColourCount>;

// The colour of key; 0 for a key this version does not know.
SkinColour SkinColourOf(const SkinColours& colours, SkinKey key);

struct SkinLook {
  std::string name;
  SkinColours colours{};

  SkinColour Get(SkinKey key) const;
};

// Index of key in kSkinKeys, or -1 for a key this version does not know.
int SkinKeyIndex(uint16_t key);

constexpr uint8_t kSkinMagic[4] = {'K', 'V', 'S', 'K'};
constexpr uint16_t kSkinVersion = 1;
constexpr size_t kSkinHeaderSize = 16;
constexpr size_t kSkinMaxFileSize = 64 * 1024;
constexpr size_t kSkinMaxNameBytes = 64;

// Also the results of AttachSkinEx (0 = attached).
enum class SkinStatus : int {
  Ok = 0,
  FileMissing = 1,
  FileUnreadable = 2,
  NotASkin = 3,       // wrong magic, or shorter than a header
  BadVersion = 4,     // a version this library does not read
  Corrupt = 5,        // size, checksum or records do not hold together
  AttachFailed = 6,   // the file is fine but the look could not be installed
};

// Checks and reads a whole skin file; out is changed only on Ok.
SkinStatus ParseSkin(const uint8_t* data, size_t size, SkinLook& out);

// The same checks, giving the colours and where the name record's bytes are (nameBytes 0 when
// the file names no look); colours and name are changed only on Ok. Needs no C++ runtime, so
// Skin.dll links this alone (skin_parse.cpp).
SkinStatus ParseSkinColours(const uint8_t* data, size_t size, SkinColours& colours, const uint8_t** name,
                            size_t* nameBytes);

// The file bytes of a look: deterministic, so builds are reproducible.
std::vector<uint8_t> SerializeSkin(const SkinLook& look);

// FNV-1a, 32 bits, over the records (the bytes after the header).
uint32_t SkinChecksum(const uint8_t* data, size_t size);
