#include "skin/skin_format.h"

namespace {

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

SkinColour SkinLook::Get(SkinKey key) const { return SkinColourOf(colours, key); }

SkinStatus ParseSkin(const uint8_t* data, size_t size, SkinLook& out) {
  SkinColours colours;
  const uint8_t* name = nullptr;
  size_t nameBytes = 0;
  const SkinStatus status = ParseSkinColours(data, size, colours, &name, &nameBytes);
  if (status != SkinStatus::Ok) return status;
  out.colours = colours;
  out.name.assign(name != nullptr ? reinterpret_cast<const char*>(name) : "", nameBytes);
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
