// Health score display, verdict table and the result list actions.
#pragma once

#include <cstdint>
#include <string>

const std::string& VerdictFor(int32_t score);
void OnScanTimerTick();
void OnClearButtonClick();
void OnSuspectListDoubleClick(int x, int y, unsigned keyState);  // opens the selected row
// Opens the file of one row (a double-click that lands on a row opens that row).
void OpenSuspectListRow(int row);
