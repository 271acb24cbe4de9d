// What the user does to the result list: clear it, open a row.
#pragma once

#include "scan/scan_context.h"

void OnClearButtonClick(ScanContext& ctx);
// Opens the file of the row double-clicked, or of the selected row when the double-click
// landed below the rows (row -1).
void OnSuspectListDoubleClick(ScanContext& ctx, int row);
