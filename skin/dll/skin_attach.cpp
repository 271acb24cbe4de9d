// Skin.dll's one entry point: reads a skin file and gives the process's windows its look.
#include <windows.h>

#include <cstdint>

#include "skin/dll/skin_dll.h"
#include "win/high_contrast.h"
#include "win/unique_handle.h"

constinit ProcessState g_process;

namespace {

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_process.look != nullptr) SkinWindow(reinterpret_cast<HWND>(wParam), false);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// One CBT hook per thread that attached: windows created later on it get the look too.
bool HookThisThread() {
  const DWORD self = GetCurrentThreadId();
  for (int i = 0; i < g_process.hookCount; ++i) {
    if (g_process.hooks[i].threadId == self) return true;
  }
  if (g_process.hookCount == kMaxHookedThreads) return false;
  HHOOK hook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, self);
  if (hook == nullptr) return false;
  g_process.hooks[g_process.hookCount++] = {self, hook};
  return true;
}

// The open file, or INVALID_HANDLE_VALUE with status saying why not.
HANDLE OpenSkinFile(const char* path, SkinStatus& status) {
  status = SkinStatus::FileMissing;
  if (path == nullptr || path[0] == '\0') return INVALID_HANDLE_VALUE;
  // The caller's texts are GBK, whatever the system's ANSI code page is.
  const int wideLength = MultiByteToWideChar(936, 0, path, -1, nullptr, 0);
  if (wideLength <= 0) return INVALID_HANDLE_VALUE;
  HeapBlock widePath(static_cast<size_t>(wideLength) * sizeof(wchar_t));
  status = SkinStatus::AttachFailed;
  if (widePath.As<wchar_t>() == nullptr) return INVALID_HANDLE_VALUE;
  MultiByteToWideChar(936, 0, path, -1, widePath.As<wchar_t>(), wideLength);
  HANDLE file = CreateFileW(widePath.As<wchar_t>(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error = GetLastError();
  status = file != INVALID_HANDLE_VALUE                                        ? SkinStatus::Ok
           : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SkinStatus::FileMissing
                                                                              : SkinStatus::FileUnreadable;
  return file;
}

// Reads and checks the skin file at path (GBK) into colours.
SkinStatus ReadSkinFile(const char* path, SkinColours& colours) {
  SkinStatus status;
  UniqueHandle file(OpenSkinFile(path, status));
  if (!file.Valid()) return status;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) return SkinStatus::FileUnreadable;
  if (size.QuadPart > static_cast<LONGLONG>(kSkinMaxFileSize)) return SkinStatus::Corrupt;
  const DWORD bytes = static_cast<DWORD>(size.QuadPart);
  HeapBlock buffer(bytes);
  if (bytes > 0 && buffer.As<uint8_t>() == nullptr) return SkinStatus::AttachFailed;
  DWORD got = 0;
  if (bytes > 0 && (!ReadFile(file.Get(), buffer.As<uint8_t>(), bytes, &got, nullptr) || got != bytes)) {
    return SkinStatus::FileUnreadable;
  }
  return ParseSkinColours(buffer.As<uint8_t>(), bytes, colours, nullptr, nullptr);
}

BOOL CALLBACK SkinChild(HWND hwnd, LPARAM) {
  SkinWindow(hwnd, true);
  return TRUE;
}

BOOL CALLBACK SkinTopLevel(HWND hwnd, LPARAM) {
  SkinWindow(hwnd, true);
  EnumChildWindows(hwnd, SkinChild, 0);
  RepaintSkinned(hwnd);
  return TRUE;
}

}  // namespace

void ReapplyToThreadWindows() { EnumThreadWindows(GetCurrentThreadId(), SkinTopLevel, 0); }

extern "C" int __stdcall AttachSkinEx(const char* skinPath, const char* /*text*/) {
  SkinColours colours;
  SkinStatus status = ReadSkinFile(skinPath, colours);
  if (status != SkinStatus::Ok) return static_cast<int>(status);

  LiveLook* fresh = HeapNew<LiveLook>();
  if (fresh == nullptr) return static_cast<int>(SkinStatus::AttachFailed);
  fresh->colours = colours;
  fresh->face.Reset(CreateSolidBrush(fresh->Colour(SkinKey::WindowFace)));
  fresh->combo.Reset(CreateSolidBrush(fresh->Colour(SkinKey::ComboBack)));
  if (!fresh->face || !fresh->combo || !HookThisThread()) {
    HeapDelete(fresh);
    return static_cast<int>(SkinStatus::AttachFailed);
  }

  // A second attach replaces the look; the old brushes go once everything has repainted.
  LiveLook* old = g_process.look;
  g_process.look = fresh;
  g_process.highContrast = HighContrastOn();
  ReapplyToThreadWindows();
  HeapDelete(old);
  return static_cast<int>(SkinStatus::Ok);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
