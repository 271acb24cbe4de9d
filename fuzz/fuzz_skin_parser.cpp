// libFuzzer target: skin files and skin descriptions of any shape must parse or fail cleanly,
// and whatever parses must come back identical through the writer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "skin/skin_format.h"
#include "skin/skin_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SkinLook look;
  if (ParseSkin(data, size, look) == SkinStatus::Ok) {
    SkinLook again;
    const std::vector<uint8_t> bytes = SerializeSkin(look);
    if (ParseSkin(bytes.data(), bytes.size(), again) != SkinStatus::Ok || again.colours != look.colours ||
        again.name != look.name) {
      std::abort();
    }
  }
  SkinLook fromText;
  std::string error;
  if (ParseSkinText(std::string_view(reinterpret_cast<const char*>(data), size), fromText, error)) {
    const std::vector<uint8_t> bytes = SerializeSkin(fromText);
    SkinLook back;
    if (ParseSkin(bytes.data(), bytes.size(), back) != SkinStatus::Ok) std::abort();
  }
  return 0;
}
