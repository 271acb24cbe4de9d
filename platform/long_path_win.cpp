#include "platform/long_path_win.h"

#include <windows.h>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveAbsolute(NativeStringView p) {
  return p.size() >= 3 && p[1] == L':' && IsSeparator(p[2]) &&
         ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'));
}

bool IsUnc(NativeStringView p) { return p.size() >= 3 && IsSeparator(p[0]) && IsSeparator(p[1]); }

bool HasDevicePrefix(NativeStringView p) {
  return p.size() >= 4 && IsSeparator(p[0]) && IsSeparator(p[1]) && (p[2] == L'?' || p[2] == L'.') &&
         IsSeparator(p[3]);
}

// The extended form is not normalised by the system: '/' must become '\' and doubled
// separators (dir text + "\" + name) must be single, or the open fails.
void AppendNormalised(NativeStringView rest, NativeString& out) {
  for (wchar_t c : rest) {
    if (IsSeparator(c)) {
      if (!out.empty() && out.back() == L'\\') continue;
      out += L'\\';
    } else {
      out += c;
    }
  }
}

}  // namespace

void ToFileSystemPath(NativeStringView path, NativeString& out) {
  out.clear();
  if (path.size() < kLongPathThreshold || HasDevicePrefix(path)) {
    out.assign(path);
    return;
  }
  if (IsUnc(path)) {
    out.assign(L"\\\\?\\UNC\\");
    AppendNormalised(path.substr(2), out);
    return;
  }
  if (IsDriveAbsolute(path)) {
    out.assign(L"\\\\?\\");
    AppendNormalised(path, out);
    return;
  }
  // Relative or drive-relative: make it absolute first, the prefix only works on full paths.
  NativeString relative(path);
  DWORD need = GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr);
  if (need == 0) {
    out.assign(path);
    return;
  }
  NativeString full(need, L'\0');
  DWORD got = GetFullPathNameW(relative.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) {
    out.assign(path);
    return;
  }
  full.resize(got);
  if (IsDriveAbsolute(full) || IsUnc(full)) {
    ToFileSystemPath(full, out);
  } else {
    out.assign(path);
  }
}

NativeString ToFileSystemPath(NativeStringView path) {
  NativeString out;
  ToFileSystemPath(path, out);
  return out;
}
