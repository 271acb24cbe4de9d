// Threads through CreateThread, the pool's lock and wake-ups, and the shell's default action.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "scan/platform.h"
#include "scan/shell_path_win.h"

namespace {

DWORD WINAPI RunBody(LPVOID param) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(param));
  // A drive without a medium must fail quietly instead of asking the user to insert one.
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, nullptr);
  (*body)();
  return 0;
}

// nullptr when no thread could be made.
HANDLE CreateBodyThread(std::function<void()> body) {
  auto* owned = new std::function<void()>(std::move(body));
  HANDLE h = CreateThread(nullptr, 0, RunBody, owned, 0, nullptr);
  if (h == nullptr) delete owned;
  return h;
}

bool StartThread(std::function<void()> body) {
  HANDLE h = CreateBodyThread(std::move(body));
  if (h == nullptr) return false;
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
      ShellExecuteW(nullptr, nullptr, PathForTheShell(path).c_str(), nullptr, L"", SW_SHOWNORMAL);
      if (SUCCEEDED(com)) CoUninitialize();
    });
  }
};

struct ShellFolders {
  std::wstring system;     // "C:\\Windows\\system32\\"
  std::wstring sysnative;  // "C:\\Windows\\Sysnative\\"; empty when this process is not under WOW64
};

// A folder of GetSystemDirectoryW's kind, with its closing backslash; empty on failure.
std::wstring FolderOf(UINT(WINAPI* get)(LPWSTR, UINT)) {
  const UINT size = get(nullptr, 0);
  if (size == 0) return {};
  std::wstring folder(size, L'\0');
  const UINT n = get(folder.data(), size);
  if (n == 0 || n >= size) return {};
  folder.resize(n);
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

ShellFolders FindShellFolders() {
  const std::wstring system = FolderOf(GetSystemDirectoryW), windows = FolderOf(GetSystemWindowsDirectoryW);
  if (system.empty() || windows.empty()) return {};
  const std::wstring sysnative = windows + L"Sysnative";
  // The alias exists only for a 32-bit process on 64-bit Windows.
  const DWORD attributes = GetFileAttributesW(sysnative.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return {};
  return {system, sysnative + L'\\'};
}

}  // namespace

std::wstring PathForTheShell(const std::wstring& path) {
  static const ShellFolders folders = FindShellFolders();
  const size_t n = folders.system.size();
  if (folders.sysnative.empty() || path.size() <= n ||
      CompareStringOrdinal(path.c_str(), static_cast<int>(n), folders.system.c_str(), static_cast<int>(n), TRUE) !=
          CSTR_EQUAL)
    return path;
  return folders.sysnative + path.substr(n);
}

struct PoolMutex::Native {
  SRWLOCK lock = SRWLOCK_INIT;
};
PoolMutex::PoolMutex() : native_(std::make_unique<Native>()) {}
PoolMutex::~PoolMutex() = default;
void PoolMutex::lock() { AcquireSRWLockExclusive(&native_->lock); }
void PoolMutex::unlock() { ReleaseSRWLockExclusive(&native_->lock); }

struct PoolCondition::Native {
  CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};
PoolCondition::PoolCondition() : native_(std::make_unique<Native>()) {}
PoolCondition::~PoolCondition() = default;
void PoolCondition::wait(std::unique_lock<PoolMutex>& held) {
  SleepConditionVariableSRW(&native_->condition, &held.mutex()->native_->lock, INFINITE, 0);
}
void PoolCondition::notify_one() { WakeConditionVariable(&native_->condition); }
void PoolCondition::notify_all() { WakeAllConditionVariable(&native_->condition); }

struct PoolThread::Native {
  HANDLE thread = nullptr;
};
PoolThread::PoolThread() = default;
PoolThread::PoolThread(PoolThread&& other) noexcept = default;
PoolThread::~PoolThread() { Join(); }
bool PoolThread::Start(std::function<void()> body) {
  Join();
  auto native = std::make_unique<Native>();
  native->thread = CreateBodyThread(std::move(body));
  if (native->thread == nullptr) return false;
  native_ = std::move(native);
  return true;
}
void PoolThread::Join() {
  if (!native_) return;
  WaitForSingleObject(native_->thread, INFINITE);
  CloseHandle(native_->thread);
  native_.reset();
}

ThreadStarter& PlatformThreadStarter() {
  static WinThreadStarter starter;
  return starter;
}

ShellOpener& PlatformShellOpener() {
  static WinShellOpener opener;
  return opener;
}
