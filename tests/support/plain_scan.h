// The plain per-entry scan: the keyword rules exactly as defined, entry by entry and position
// by position, for checking the fast matchers (tests, fuzzers, benchmarks).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// entry occurs in text at a character boundary; an empty entry occurs nowhere.
bool PlainScanContains(std::string_view text, std::string_view entry);
bool PlainScanMatchAny(std::string_view text, const std::vector<std::string>& entries);
// At least limit entries (an entry listed twice counts twice) occur in text.
bool PlainScanCountReaches(std::string_view text, const std::vector<std::string>& entries, unsigned limit);
// The suffix test by its definition: the last suffix.size() bytes (the whole text when
// shorter), 'A'..'Z' lowered outside double-byte characters, equal to suffix.
bool PlainScanEndsWithLower(std::string_view text, std::string_view suffix);
