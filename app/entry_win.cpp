// The Windows entry of kevu.exe: start-up, the message loop and the end; and the fatal
// allocation failure that ends the program from wherever it happens.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "app/globals.h"
#include "app/platform_context.h"
#include "app/startup_signal.h"
#include "scan/keywords.h"
#include "scan/scan_context.h"
#include "scan/scan_launch.h"
#include "scan/scan_worker.h"
#include "skin/deploy_skin.h"
#include "state/control_state.h"
#include "ui/main_window.h"

namespace {

// Builds the message in fixed buffers: the heap may be exhausted.
[[noreturn]] void FailAllocation(size_t bytes) {
  constexpr int kCapacity = 128;
  wchar_t text[kCapacity];
  wchar_t caption[8];
  int used = MultiByteToWideChar(CP_UTF8, 0, "运行时出错!\r\n\r\n错误信息：分配 ", -1, text, kCapacity);
  used = used > 0 ? used - 1 : 0;
  wchar_t digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + bytes % 10);
    bytes /= 10;
  } while (bytes != 0);
  while (count > 0) text[used++] = digits[--count];
  if (MultiByteToWideChar(CP_UTF8, 0, " 字节内存失败!\r\n", -1, text + used, kCapacity - used) == 0) {
    text[used] = L'\0';
  }
  if (MultiByteToWideChar(CP_UTF8, 0, "错误", -1, caption, 8) == 0) caption[0] = L'\0';
  MessageBoxW(nullptr, text, caption, MB_ICONERROR);
  ExitProcess(static_cast<UINT>(-1));
}

void* Allocate(size_t bytes) {
  void* block = std::malloc(bytes ? bytes : 1);
  if (!block) FailAllocation(bytes);
  return block;
}

}  // namespace

void* operator new(size_t bytes) { return Allocate(bytes); }
void* operator new[](size_t bytes) { return Allocate(bytes); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept { return std::malloc(bytes ? bytes : 1); }
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept { return std::malloc(bytes ? bytes : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

// The created event of MainWindow: runs once all controls exist, before the message loop.
void OnMainWindowCreated(ScanContext& ctx) {
  DeploySkin(kEmberSkin);
  ctx.HealthScore.store(kFullScore);
  FillDriveList(ctx);
  LoadKeywordLists();
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  ContentKeywords.clear();
  NameKeywords.clear();
  // ReleaseGlobals is called once, explicitly, at the normal end below: a fatal end skips it.
  StartupSignal();

  // Both live to the end of the process: a detached scan worker may still use them at exit.
  auto* state = new ControlState();
  auto* ctx = new ScanContext(PlatformScanContext(*state));

  if (!RegisterMainWindowClass(instance)) return 1;
  HWND window = CreateMainWindow(instance, *state, *ctx, [ctx] { OnMainWindowCreated(*ctx); });
  if (!window) return 1;
  RunMessageLoop(window);

  ReleaseGlobals(*ctx);
  // A worker still walking may hold a C runtime lock that the normal shutdown would wait for.
  if (ctx->scanRun.IsRunning()) TerminateProcess(GetCurrentProcess(), 0);
  return 0;
}
