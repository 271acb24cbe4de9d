// Skin.dll's one entry point: reads a skin file and gives the process's windows its look.
#include <windows.h>

#include <cstdint>
#include <new>
#include <vector>

#include "skin/dll/skin_dll.h"

namespace {

LiveLook* g_look = nullptr;

struct ThreadHook {
  DWORD threadId;
  HHOOK hook;
};
constexpr int kMaxHookedThreads = 16;
ThreadHook g_hooks[kMaxHookedThreads];
int g_hookCount = 0;

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_look != nullptr) SkinWindow(reinterpret_cast<HWND>(wParam), false);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// One CBT hook per thread that attached: windows created later on it get the look too.
bool HookThisThread() {
  const DWORD self = GetCurrentThreadId();
  for (int i = 0; i < g_hookCount; ++i) {
    if (g_hooks[i].threadId == self) return true;
  }
  if (g_hookCount == kMaxHookedThreads) return false;
  HHOOK hook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, self);
  if (hook == nullptr) return false;
  g_hooks[g_hookCount++] = {self, hook};
  return true;
}

SkinStatus ReadSkinFile(const char* path, std::vector<uint8_t>& bytes) {
  if (path == nullptr || path[0] == '\0') return SkinStatus::FileMissing;
  // The caller's texts are GBK, whatever the system's ANSI code page is.
  const int wideLength = MultiByteToWideChar(936, 0, path, -1, nullptr, 0);
  if (wideLength <= 0) return SkinStatus::FileMissing;
  std::vector<wchar_t> widePath(static_cast<size_t>(wideLength));
  MultiByteToWideChar(936, 0, path, -1, widePath.data(), wideLength);

  HANDLE file = CreateFileW(widePath.data(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SkinStatus::FileMissing
                                                                          : SkinStatus::FileUnreadable;
  }
  SkinStatus status = SkinStatus::Ok;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) {
    status = SkinStatus::FileUnreadable;
  } else if (size.QuadPart > static_cast<LONGLONG>(kSkinMaxFileSize)) {
    status = SkinStatus::Corrupt;
  } else {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() && (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size())) {
      status = SkinStatus::FileUnreadable;
    }
  }
  CloseHandle(file);
  return status;
}

void FreeLook(LiveLook* look) {
  if (look == nullptr) return;
  if (look->face != nullptr) DeleteObject(look->face);
  if (look->combo != nullptr) DeleteObject(look->combo);
  delete look;
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

const LiveLook* CurrentLook() { return g_look; }

extern "C" int __stdcall AttachSkinEx(const char* skinPath, const char* /*text*/) {
  std::vector<uint8_t> bytes;
  SkinStatus status = ReadSkinFile(skinPath, bytes);
  if (status != SkinStatus::Ok) return static_cast<int>(status);

  LiveLook* fresh = new (std::nothrow) LiveLook;
  if (fresh == nullptr) return static_cast<int>(SkinStatus::AttachFailed);
  status = ParseSkin(bytes.data(), bytes.size(), fresh->look);
  if (status != SkinStatus::Ok) {
    delete fresh;
    return static_cast<int>(status);
  }
  fresh->face = CreateSolidBrush(fresh->Colour(SkinKey::WindowFace));
  fresh->combo = CreateSolidBrush(fresh->Colour(SkinKey::ComboBack));
  if (fresh->face == nullptr || fresh->combo == nullptr || !HookThisThread()) {
    FreeLook(fresh);
    return static_cast<int>(SkinStatus::AttachFailed);
  }

  // A second attach replaces the look; the old brushes go once everything has repainted.
  LiveLook* old = g_look;
  g_look = fresh;
  EnumThreadWindows(GetCurrentThreadId(), SkinTopLevel, 0);
  FreeLook(old);
  return static_cast<int>(SkinStatus::Ok);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
