// The automaton against the plain definition: entries and text both come from the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/keyword_matcher.h"
#include "support/plain_scan.h"

namespace {

// Layout: entries separated by 0x00, then 0x01 0x01, then the text. Entries are kept short
// so that the fuzzer finds them in the text.
void Parse(std::string_view input, std::vector<std::string>& entries, std::string_view& text) {
  const size_t split = input.find("\x01\x01");
  std::string_view list = input.substr(0, split);
  text = split == std::string_view::npos ? std::string_view() : input.substr(split + 2);
  size_t start = 0;
  while (start <= list.size() && entries.size() < 64) {
    const size_t end = std::min(list.find('\0', start), list.size());
    const std::string_view entry = list.substr(start, end - start);
    if (!entry.empty() && entry.size() <= 16) entries.emplace_back(entry);
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> entries;
  std::string_view text;
  Parse(std::string_view(reinterpret_cast<const char*>(data), size), entries, text);
  KeywordMatcher matcher;
  matcher.Build(entries);
  if (matcher.ContainsAny(text) != PlainScanMatchAny(text, entries)) __builtin_trap();
  for (unsigned limit = 0; limit <= 6; ++limit) {
    KeywordMatcher::Counter counter(matcher, limit);
    counter.Feed(text.data(), text.size());
    if (counter.Reached() != PlainScanCountReaches(text, entries, limit)) __builtin_trap();
  }
  return 0;
}
