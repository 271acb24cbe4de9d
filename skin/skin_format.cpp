#include "skin/skin_format.h"

#include <cstring>

namespace {

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void SetU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

int SkinKeyIndex(uint16_t key) {
  for (size_t i = 0; i < kSkinKeys.size(); ++i) {
    if (static_cast<uint16_t>(kSkinKeys[i].key) == key) return static_cast<int>(i);
  }
  return -1;
}

SkinColour SkinLook::Get(SkinKey key) const {
  int i = SkinKeyIndex(static_cast<uint16_t>(key));
  return i < 0 ? 0 : colours[i];
}

void SkinLook::Set(SkinKey key, SkinColour colour) {
  int i = SkinKeyIndex(static_cast<uint16_t>(key));
  if (i >= 0) colours[i] = colour & 0x00FFFFFF;
}

uint32_t SkinChecksum(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) {
    h ^= data[i];
    h *= 16777619u;
  }
  return h;
}

SkinStatus ParseSkin(const uint8_t* data, size_t size, SkinLook& out) {
  if (data == nullptr || size < kSkinHeaderSize || std::memcmp(data, kSkinMagic, 4) != 0) {
    return SkinStatus::NotASkin;
  }
  if (ReadU16(data + 4) != kSkinVersion) return SkinStatus::BadVersion;
  if (ReadU16(data + 6) != kSkinHeaderSize) return SkinStatus::Corrupt;
  const uint32_t total = ReadU32(data + 8);
  if (total != size || total > kSkinMaxFileSize) return SkinStatus::Corrupt;
  const uint8_t* records = data + kSkinHeaderSize;
  const size_t recordBytes = size - kSkinHeaderSize;
  if (ReadU32(data + 12) != SkinChecksum(records, recordBytes)) return SkinStatus::Corrupt;

  SkinLook look;
  std::array<bool, kSkinColourCount> seen{};
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
      look.name.assign(reinterpret_cast<const char*>(value), length);
      continue;
    }
    const int index = SkinKeyIndex(key);
    if (index < 0) continue;  // a later minor addition: skipped, not an error
    if (seen[index] || length != 4 || value[3] != 0) return SkinStatus::Corrupt;
    seen[index] = true;
    look.colours[index] = ReadU32(value);
  }
  for (bool s : seen) {
    if (!s) return SkinStatus::Corrupt;
  }
  out = std::move(look);
  return SkinStatus::Ok;
}

std::vector<uint8_t> SerializeSkin(const SkinLook& look) {
  std::vector<uint8_t> out(kSkinMagic, kSkinMagic + 4);
  PutU16(out, kSkinVersion);
  PutU16(out, static_cast<uint16_t>(kSkinHeaderSize));
  PutU32(out, 0);  // total size, filled in below
  PutU32(out, 0);  // checksum, filled in below
  const size_t nameBytes = look.name.size() < kSkinMaxNameBytes ? look.name.size() : kSkinMaxNameBytes;
  if (nameBytes > 0) {
    PutU16(out, kSkinNameKey);
    PutU16(out, static_cast<uint16_t>(nameBytes));
    out.insert(out.end(), look.name.begin(), look.name.begin() + static_cast<std::ptrdiff_t>(nameBytes));
  }
  for (size_t i = 0; i < kSkinKeys.size(); ++i) {
    PutU16(out, static_cast<uint16_t>(kSkinKeys[i].key));
    PutU16(out, 4);
    PutU32(out, look.colours[i] & 0x00FFFFFF);
  }
  SetU32(out, 8, static_cast<uint32_t>(out.size()));
  SetU32(out, 12, SkinChecksum(out.data() + kSkinHeaderSize, out.size() - kSkinHeaderSize));
  return out;
}
