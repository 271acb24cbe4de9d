// Reading a skin file's records: plain code with no C++ runtime, shared by Skin.dll and kevu.
#include "skin/skin_format.h"

namespace {

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

int SkinKeyIndex(uint16_t key) {
  for (size_t i = 0; i < kSkinKeys.size(); ++i) {
    if (static_cast<uint16_t>(kSkinKeys[i].key) == key) return static_cast<int>(i);
  }
  return -1;
}

SkinColour SkinColourOf(const SkinColours& colours, SkinKey key) {
  int i = SkinKeyIndex(static_cast<uint16_t>(key));
  return i < 0 ? 0 : colours[i];
}

uint32_t SkinChecksum(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) {
    h ^= data[i];
    h *= 16777619u;
  }
  return h;
}

SkinStatus ParseSkinColours(const uint8_t* data, size_t size, SkinColours& colours, const uint8_t** name,
                            size_t* nameBytes) {
  if (data == nullptr || size < kSkinHeaderSize || data[0] != kSkinMagic[0] || data[1] != kSkinMagic[1] ||
      data[2] != kSkinMagic[2] || data[3] != kSkinMagic[3]) {
    return SkinStatus::NotASkin;
  }
  if (ReadU16(data + 4) != kSkinVersion) return SkinStatus::BadVersion;
  if (ReadU16(data + 6) != kSkinHeaderSize) return SkinStatus::Corrupt;
  const uint32_t total = ReadU32(data + 8);
  if (total != size || total > kSkinMaxFileSize) return SkinStatus::Corrupt;
  const uint8_t* records = data + kSkinHeaderSize;
  const size_t recordBytes = size - kSkinHeaderSize;
  if (ReadU32(data + 12) != SkinChecksum(records, recordBytes)) return SkinStatus::Corrupt;

  SkinColours read{};
  bool seen[kSkinColourCount] = {};
  const uint8_t* nameAt = nullptr;
  size_t nameLength = 0;
  bool nameSeen = false;
  size_t at = 0;
  while (at < recordBytes) {
    if (recordBytes - at < 4) return SkinStatus::Corrupt;
    const uint16_t key = ReadU16(records + at);
    const uint16_t length = ReadU16(records + at + 2);
    at += 4;
    if (length > recordBytes - at) return SkinStatus::Corrupt;
    const uint8_t* value = records + at;
    at += length;
    if (key == kSkinNameKey) {
      if (nameSeen || length > kSkinMaxNameBytes) return SkinStatus::Corrupt;
      nameSeen = true;
      nameAt = value;
      nameLength = length;
      continue;
    }
    const int index = SkinKeyIndex(key);
    if (index < 0) continue;  // a later minor addition: skipped, not an error
    if (seen[index] || length != 4 || value[3] != 0) return SkinStatus::Corrupt;
    seen[index] = true;
    read[index] = ReadU32(value);
  }
  for (bool s : seen) {
    if (!s) return SkinStatus::Corrupt;
  }
  colours = read;
  if (name != nullptr) *name = nameAt;
  if (nameBytes != nullptr) *nameBytes = nameLength;
  return SkinStatus::Ok;
}
