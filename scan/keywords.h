// The two fixed keyword lists and the matchers over them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_reader.h"
#include "text/codepage.h"

extern std::vector<std::string> NameKeywords;
extern std::vector<std::string> ContentKeywords;

// The constant comma-separated lists, GBK.
const std::string& NameKeywordText();     // 1,343 bytes, 231 entries
const std::string& ContentKeywordText();  // 350 bytes, 63 entries

// Splits the two texts into NameKeywords and ContentKeywords (replacing earlier contents)
// and builds their matchers.
void LoadKeywordLists();

// true when at least one NameKeywords entry occurs in text.
bool MatchNameKeywords(std::string_view text);

// The ".txt" rule on a file: read in bounded chunks up to the first NUL, stopping once the
// answer is known. Unopenable or unreadable: false.
bool MatchContentKeywordsInFile(const NativeString& path, FileReader& reader);

// Release of both lists (exit clean-up).
void ReleaseKeywordLists();
