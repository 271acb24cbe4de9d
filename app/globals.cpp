// The release of the program-wide state at exit.
#include "app/globals.h"

#include "scan/keywords.h"
#include "scan/scan_worker.h"

void ReleaseGlobals(ScanContext& ctx) {
  static std::atomic<bool> released{false};
  if (released.exchange(true)) return;
  ctx.scanRun.Abandon();
  if (ctx.scanRun.IsRunning()) return;
  std::string().swap(ctx.ScanRoot);
  ReleaseKeywordLists();
}
