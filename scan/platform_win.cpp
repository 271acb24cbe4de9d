// Threads through CreateThread (handle closed at once) and the shell's default action.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "scan/platform.h"

namespace {

DWORD WINAPI RunBody(LPVOID param) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(param));
  // A drive without a medium must fail quietly instead of asking the user to insert one.
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, nullptr);
  (*body)();
  return 0;
}

bool StartThread(std::function<void()> body) {
  auto* owned = new std::function<void()>(std::move(body));
  HANDLE h = CreateThread(nullptr, 0, RunBody, owned, 0, nullptr);
  if (h == nullptr) {
    delete owned;
    return false;
  }
  CloseHandle(h);
  return true;
}

class WinThreadStarter final : public ThreadStarter {
 public:
  bool StartDetached(std::function<void()> body) override { return StartThread(std::move(body)); }
};

// ShellExecuteW may load shell extensions and wait on them, so it runs on a thread of its own
// and the UI thread never blocks on it.
class WinShellOpener final : public ShellOpener {
 public:
  void OpenWithDefaultAction(const std::string& gbkPath, const NativeString& nativePath) override {
    std::wstring path = nativePath.empty() ? GbkToWide(gbkPath) : nativePath;
    StartThread([path = std::move(path)] {
      HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
      ShellExecuteW(nullptr, nullptr, path.c_str(), nullptr, L"", SW_SHOWNORMAL);
      if (SUCCEEDED(com)) CoUninitialize();
    });
  }
};

}  // namespace

ThreadStarter& PlatformThreadStarter() {
  static WinThreadStarter starter;
  return starter;
}

ShellOpener& PlatformShellOpener() {
  static WinShellOpener opener;
  return opener;
}
