// Byte-wise operations on GBK (code page 936) texts held in std::string.
// A byte of 0x80 or above starts a double-byte character where an operation says so.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Adjacent delimiters give an empty piece; nothing after a trailing delimiter; "" gives none.
std::vector<std::string> SplitText(std::string_view text, char delimiter);

// Plain decimal, '-' for negatives, no grouping.
std::string IntToText(long long value);
std::string UIntToText(unsigned long long value);

// The last suffix.size() bytes of name, lower-cased, equal suffix (which is lower case).
bool EndsWithLower(std::string_view name, std::string_view suffix);

// ASCII to GBK full-width forms; double-byte characters pass, a trailing lead byte is dropped.
std::string ToFullWidth(std::string_view text);

// The start-up signal test: the part of a module path after its last '\' ends in ".tmp" (ASCII case ignored).
bool IsTmpModuleName(std::string_view modulePath);
