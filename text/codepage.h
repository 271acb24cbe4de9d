// Conversions between the platform's own names (UTF-16 on Windows, bytes on POSIX) and GBK.
// Code page 936 is always named explicitly: nothing depends on the system's ANSI code page.
#pragma once

#include <string>
#include <string_view>

#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
using NativeString = std::basic_string<NativeChar>;
using NativeStringView = std::basic_string_view<NativeChar>;

#ifdef _WIN32
inline constexpr NativeChar kNativeSeparator = L'\\';
#else
inline constexpr NativeChar kNativeSeparator = '/';
#endif

// Platform name to GBK. Characters GBK cannot hold (and, on POSIX, invalid UTF-8) become '?',
// never a look-alike; returns false when that happened.
bool NativeToGbk(NativeStringView native, std::string& gbk);

// GBK to the platform's form; invalid bytes become U+FFFD (or '?').
NativeString GbkToNative(std::string_view gbk);

// UTF-8 source text to GBK (the program's own captions and lists); "" when not convertible.
std::string Utf8ToGbk(std::string_view utf8);
// GBK to UTF-8, for the diagnostic tool and tests.
std::string GbkToUtf8(std::string_view gbk);

#ifdef _WIN32
std::wstring GbkToWide(std::string_view gbk);
#endif
