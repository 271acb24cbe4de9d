// The 100 ms tick: the score, the whole-machine scan's next drive, the verdict.
#pragma once

#include "scan/scan_context.h"

void OnScanTimerTick(ScanContext& ctx);
