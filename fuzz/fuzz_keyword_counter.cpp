// The Counter fed in pieces must give what one whole feed gives, however the text is cut
// and whatever the limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/keyword_matcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Fixed entries with ASCII and lead-range bytes in every position, so both the automaton and
  // the boundary tracking are exercised; the first input byte seeds the piece sizes.
  static const std::vector<std::string> entries = {
      "ab", "b\xB0", "\xB0\x61", "\xB0\xB0\xB0", "\x61\xB0\x62", "ba", "\xB1\x41", "AA", "ab", "\xB0\xB0"};
  static KeywordMatcher matcher = [] {
    KeywordMatcher m;
    m.Build(entries);
    return m;
  }();
  uint32_t seed = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  const unsigned limit = data[0] % 12;
  KeywordMatcher::Counter whole(matcher, limit);
  whole.Feed(text.data(), text.size());
  KeywordMatcher::Counter pieces(matcher, limit);
  size_t at = 0;
  while (at < text.size()) {
    seed = seed * 1103515245u + 12345u;
    const size_t piece = std::min<size_t>(text.size() - at, (seed >> 16) % 5);
    pieces.Feed(text.data() + at, piece);
    at += piece;
  }
  if (whole.Reached() != pieces.Reached()) __builtin_trap();
  return 0;
}
