#include "verdict/timer_tick.h"

#include "scan/scan_launch.h"
#include "verdict/score_display.h"

void OnScanTimerTick(ScanContext& ctx) {
  ShowScore(ctx.controls, ctx.HealthScore.load());
  AdvanceAllDrivesScan(ctx);
  ShowVerdict(ctx.controls, ctx.HealthScore.load());
}
