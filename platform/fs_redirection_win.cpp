// WOW64 redirection through kernel32's own calls, looked up at run time: they are absent
// from 32-bit Windows before Vista, and fail with ERROR_INVALID_FUNCTION on 32-bit Windows.
#include "platform/fs_redirection.h"

#include <windows.h>

namespace {

using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

struct RedirectionCalls {
  DisableFn disable = nullptr;
  RevertFn revert = nullptr;
};

const RedirectionCalls& Calls() {
  static const RedirectionCalls calls = [] {
    RedirectionCalls c;
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return c;
    c.disable = reinterpret_cast<DisableFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    c.revert = reinterpret_cast<RevertFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    // One without the other cannot be undone: use neither.
    if (c.disable == nullptr || c.revert == nullptr) c = RedirectionCalls();
    return c;
  }();
  return calls;
}

}  // namespace

FsRedirectionOff::FsRedirectionOff() {
  const RedirectionCalls& calls = Calls();
  if (calls.disable != nullptr) off_ = calls.disable(&previous_) != FALSE;
}

FsRedirectionOff::~FsRedirectionOff() {
  // The thread's last error is the caller's, not ours.
  if (off_) {
    const DWORD error = GetLastError();
    Calls().revert(previous_);
    SetLastError(error);
  }
}
