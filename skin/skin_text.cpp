#include "skin/skin_text.h"

#include <array>

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseColour(std::string_view s, SkinColour& out) {
  if (s.size() != 7 || s[0] != '#') return false;
  unsigned rgb[3];
  for (int i = 0; i < 3; ++i) {
    const int hi = HexDigit(s[1 + 2 * i]);
    const int lo = HexDigit(s[2 + 2 * i]);
    if (hi < 0 || lo < 0) return false;
    rgb[i] = static_cast<unsigned>(hi * 16 + lo);
  }
  out = SkinRgb(rgb[0], rgb[1], rgb[2]);
  return true;
}

}  // namespace

bool ParseSkinText(std::string_view text, SkinLook& out, std::string& error) {
  SkinLook look;
  std::array<bool, kSkinColourCount> seen{};
  bool nameSeen = false;
  int lineNumber = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    if (line.empty() || line[0] == '#') continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      error = where + "expected key = value";
      return false;
    }
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    if (key == "name") {
      if (nameSeen || value.size() > kSkinMaxNameBytes) {
        error = where + (nameSeen ? "name given twice" : "name too long");
        return false;
      }
      nameSeen = true;
      look.name = std::string(value);
      continue;
    }
    int index = -1;
    for (size_t i = 0; i < kSkinKeys.size(); ++i) {
      if (key == kSkinKeys[i].name) index = static_cast<int>(i);
    }
    if (index < 0) {
      error = where + "unknown key '" + std::string(key) + "'";
      return false;
    }
    if (seen[index]) {
      error = where + "'" + std::string(key) + "' given twice";
      return false;
    }
    if (!ParseColour(value, look.colours[index])) {
      error = where + "colour must be #RRGGBB";
      return false;
    }
    seen[index] = true;
  }
  for (size_t i = 0; i < kSkinKeys.size(); ++i) {
    if (!seen[i]) {
      error = std::string("missing '") + kSkinKeys[i].name + "'";
      return false;
    }
  }
  out = std::move(look);
  return true;
}
