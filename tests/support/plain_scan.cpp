#include "support/plain_scan.h"

#include <algorithm>

#include "text/gbk_text.h"

bool PlainScanContains(std::string_view text, std::string_view entry) {
  if (entry.empty()) return false;
  size_t i = 0;
  while (i < text.size()) {
    if (text.size() - i >= entry.size() && text.compare(i, entry.size(), entry) == 0) return true;
    i += IsLeadByte(text[i]) ? 2 : 1;
  }
  return false;
}

bool PlainScanMatchAny(std::string_view text, const std::vector<std::string>& entries) {
  return std::any_of(entries.begin(), entries.end(),
                     [&](const std::string& entry) { return PlainScanContains(text, entry); });
}

bool PlainScanCountReaches(std::string_view text, const std::vector<std::string>& entries, unsigned limit) {
  unsigned hits = 0;
  if (hits >= limit) return true;
  for (const std::string& entry : entries) {
    if (PlainScanContains(text, entry) && ++hits >= limit) return true;
  }
  return false;
}

bool PlainScanEndsWithLower(std::string_view text, std::string_view suffix) {
  std::string last(text.size() > suffix.size() ? text.substr(text.size() - suffix.size()) : text);
  for (size_t i = 0; i < last.size(); ++i) {
    if (IsLeadByte(last[i])) {
      ++i;  // the byte after a lead byte stays as it is
    } else if (last[i] >= 'A' && last[i] <= 'Z') {
      last[i] = static_cast<char>(last[i] - 'A' + 'a');
    }
  }
  return last == suffix;
}
