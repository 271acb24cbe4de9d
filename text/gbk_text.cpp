// Byte-wise GBK text operations; see gbk_text.h for the rules each one follows.
#include "text/gbk_text.h"

#include <string>

namespace {

bool IsAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

std::vector<std::string> SplitText(std::string_view text, char delimiter) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start < text.size()) {
    const size_t at = text.find(delimiter, start);
    if (at == std::string_view::npos) {
      pieces.emplace_back(text.substr(start));
      break;
    }
    pieces.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
  return pieces;
}

std::string IntToText(long long value) { return std::to_string(value); }

std::string UIntToText(unsigned long long value) { return std::to_string(value); }

bool EndsWithLower(std::string_view name, std::string_view suffix) {
  // Called for every file of a scan: compares in place instead of building the lowered copy.
  if (name.size() < suffix.size()) return false;
  const std::string_view piece = name.substr(name.size() - suffix.size());
  size_t i = 0;
  while (i < piece.size()) {
    if (IsLeadByte(piece[i])) {
      // A lead byte and the byte after it stay as they are.
      const size_t pair = i + 1 < piece.size() ? 2 : 1;
      if (piece.compare(i, pair, suffix.substr(i, pair)) != 0) return false;
      i += pair;
      continue;
    }
    const char c = IsAsciiUpper(piece[i]) ? static_cast<char>(piece[i] - 'A' + 'a') : piece[i];
    if (c != suffix[i]) return false;
    ++i;
  }
  return true;
}

std::string ToFullWidth(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0x20) {
      out += "\xA1\xA1";
    } else if (c == 0x7E) {
      out += "\xA1\xAB";
    } else if (c >= 0x21 && c <= 0x7D) {
      out += '\xA3';
      out += static_cast<char>(c | 0x80);
    } else if (c >= 0x80) {
      // A lead byte with nothing (or NUL) after it is dropped.
      if (i + 1 < text.size() && text[i + 1] != '\0') {
        out += text[i];
        out += text[i + 1];
        ++i;
      }
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool IsTmpModuleName(std::string_view modulePath) {
  // A trail byte 0x5C taken for a separator cannot change the answer: it never is part of ".tmp".
  const size_t slash = modulePath.rfind('\\');
  const std::string_view name = slash == std::string_view::npos ? modulePath : modulePath.substr(slash + 1);
  return EndsWithLower(name, ".tmp");
}
