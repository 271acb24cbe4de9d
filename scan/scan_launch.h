// The two ways of starting a scan, the drive list and the whole-machine sequence.
#pragma once

#include "scan/scan_context.h"

void FillDriveList(ScanContext& ctx);
void OnScanButtonClick(ScanContext& ctx);
void OnFullScanButtonClick(ScanContext& ctx);
void AdvanceAllDrivesScan(ScanContext& ctx);
