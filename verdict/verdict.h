// Health score display, verdict table and the result list actions.
#pragma once

#include <cstdint>
#include <string>

#include "scan/scan_context.h"

const std::string& VerdictFor(int32_t score);
void OnScanTimerTick(ScanContext& ctx);
void OnClearButtonClick(ScanContext& ctx);
void OnSuspectListDoubleClick(ScanContext& ctx);  // opens the selected row
// Opens the file of one row (a double-click that lands on a row opens that row).
void OpenSuspectListRow(ScanContext& ctx, int row);
