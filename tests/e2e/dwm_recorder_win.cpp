// Stands in for dwmapi.dll in the end-to-end prefix (for kevu.exe only, through a DLL override):
// appends every DwmSetWindowAttribute call to C:\e2e\dwm.log as
// "<window class> <top-level|child> attribute=<n> value=<n> size=<n>", and reports success.
#include <windows.h>

#include <cstdio>

extern "C" HRESULT WINAPI DwmSetWindowAttribute(HWND hwnd, DWORD attribute, LPCVOID value, DWORD size) {
  wchar_t wideClass[128] = L"";
  GetClassNameW(hwnd, wideClass, 128);
  char className[256] = "";
  WideCharToMultiByte(CP_UTF8, 0, wideClass, -1, className, sizeof className, nullptr, nullptr);
  const unsigned long shown = value != nullptr && size >= sizeof(DWORD) ? *static_cast<const DWORD*>(value) : ~0ul;
  char line[400];
  const int length = std::snprintf(line, sizeof line, "%s %s attribute=%lu value=%lu size=%lu\n", className,
                                   GetParent(hwnd) == nullptr ? "top-level" : "child",
                                   static_cast<unsigned long>(attribute), shown, static_cast<unsigned long>(size));
  HANDLE log = CreateFileW(L"C:\\e2e\\dwm.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log != INVALID_HANDLE_VALUE) {
    DWORD wrote = 0;
    if (length > 0) WriteFile(log, line, static_cast<DWORD>(length), &wrote, nullptr);
    CloseHandle(log);
  }
  return S_OK;
}
