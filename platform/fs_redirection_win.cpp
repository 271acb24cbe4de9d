// WOW64 redirection through kernel32's own calls, looked up at run time: they are absent
// from 32-bit Windows before Vista, and fail with ERROR_INVALID_FUNCTION on 32-bit Windows.
#include "platform/fs_redirection.h"

#include <windows.h>

namespace {

class Wow64RedirectionSwitch final : public FsRedirectionSwitch {
 public:
  Wow64RedirectionSwitch() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return;
    disable_ = reinterpret_cast<DisableFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    revert_ = reinterpret_cast<RevertFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    // One without the other cannot be undone: use neither.
    if (disable_ == nullptr || revert_ == nullptr) disable_ = nullptr;
  }

  bool TurnOff(void*& previous) override { return disable_ != nullptr && disable_(&previous) != FALSE; }

  void Restore(void* previous) override {
    // The thread's last error is the caller's, not ours.
    const DWORD error = GetLastError();
    revert_(previous);
    SetLastError(error);
  }

 private:
  using DisableFn = BOOL(WINAPI*)(PVOID*);
  using RevertFn = BOOL(WINAPI*)(PVOID);
  DisableFn disable_ = nullptr;
  RevertFn revert_ = nullptr;
};

}  // namespace

FsRedirectionSwitch& PlatformFsRedirectionSwitch() {
  static Wow64RedirectionSwitch calls;
  return calls;
}
