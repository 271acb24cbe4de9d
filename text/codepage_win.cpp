// Windows side of the code-page conversions: UTF-16 names, code page 936 named explicitly.
#include "text/codepage.h"

#include <windows.h>

#include <climits>

namespace {

constexpr UINT kGbkCodePage = 936;

bool FitsInt(size_t size) { return size <= static_cast<size_t>(INT_MAX); }

// No best fit: a look-alike (a yen sign, a full-width reverse solidus...) must never become
// '\' or an ASCII letter, so unmappable characters turn into the default '?'.
bool WideToGbk(std::wstring_view wide, std::string& gbk) {
  gbk.clear();
  if (wide.empty()) return true;
  // A UTF-16 unit never takes more than two GBK bytes, so one call with room for that does,
  // without asking for the size first (names are converted a million times a scan).
  if (!FitsInt(wide.size() * 2)) return false;
  gbk.resize(wide.size() * 2);
  BOOL usedDefault = FALSE;
  const int written = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                          static_cast<int>(wide.size()), gbk.data(), static_cast<int>(gbk.size()),
                                          "?", &usedDefault);
  if (written <= 0) {
    gbk.clear();
    return false;
  }
  gbk.resize(static_cast<size_t>(written));
  return usedDefault == FALSE;
}

std::wstring MultiByteToWide(UINT codePage, DWORD flags, std::string_view text, bool& ok) {
  ok = true;
  if (text.empty()) return {};
  if (!FitsInt(text.size())) {
    ok = false;
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (size <= 0) {
    ok = false;
    return {};
  }
  std::wstring wide(static_cast<size_t>(size), L'\0');
  const int written = MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), size);
  if (written <= 0) {
    ok = false;
    return {};
  }
  wide.resize(static_cast<size_t>(written));
  return wide;
}

}  // namespace

bool NativeToGbk(NativeStringView native, std::string& gbk) {
  if (WideToGbk(native, gbk)) return true;
  if (gbk.empty() && !native.empty()) gbk.assign(native.size(), '?');
  return false;
}

NativeString GbkToNative(std::string_view gbk) { return GbkToWide(gbk); }

std::wstring GbkToWide(std::string_view gbk) {
  bool ok = false;
  return MultiByteToWide(kGbkCodePage, 0, gbk, ok);
}

std::string Utf8ToGbk(std::string_view utf8) {
  bool ok = false;
  const std::wstring wide = MultiByteToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, ok);
  if (!ok) return {};
  std::string gbk;
  return WideToGbk(wide, gbk) ? gbk : std::string();
}

std::string GbkToUtf8(std::string_view gbk) {
  bool ok = false;
  const std::wstring wide = MultiByteToWide(kGbkCodePage, 0, gbk, ok);
  if (wide.empty()) return {};
  const int wideLength = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string utf8(static_cast<size_t>(size), '\0');
  const int written = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), size, nullptr, nullptr);
  if (written <= 0) return {};
  utf8.resize(static_cast<size_t>(written));
  return utf8;
}
