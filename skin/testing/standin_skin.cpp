// A stand-in skin library for the deployment tests: AttachSkinEx records its two arguments in
// "<this dll's path>.args", one call per line as "path|text", and returns 77.
#include <windows.h>

#include <cstring>

namespace {
HMODULE g_self = nullptr;
}

extern "C" int __stdcall AttachSkinEx(const char* skinPath, const char* text) {
  wchar_t log[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(g_self, log, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return -1;
  lstrcatW(log, L".args");
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  DWORD wrote = 0;
  const char* parts[] = {skinPath != nullptr ? skinPath : "(null)", "|", text != nullptr ? text : "(null)", "\n"};
  for (const char* part : parts) WriteFile(file, part, static_cast<DWORD>(std::strlen(part)), &wrote, nullptr);
  CloseHandle(file);
  return 77;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}
