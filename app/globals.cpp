// Program-wide state and its release at exit.
#include "app/globals.h"

#include "scan/keywords.h"
#include "scan/scan_worker.h"

std::string ScanRoot;
std::atomic<int> AllDrivesMode{0};
std::atomic<int32_t> HealthScore{0};
ProgramServices Services;

void ReleaseGlobals() {
  static std::atomic<bool> released{false};
  if (released.exchange(true)) return;
  AbandonScanWorker();
  // A walk still running reads ScanRoot and the lists: they stay to the end of the process.
  if (IsScanWorkerRunning()) return;
  std::string().swap(ScanRoot);
  ReleaseKeywordLists();
}
