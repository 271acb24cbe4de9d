// Health score display, verdict table and the result list actions.
#pragma once

#include <cstdint>
#include <string>

const std::string& VerdictFor(int32_t score);
void OnScanTimerTick();
void OnClearButtonClick();
void OnSuspectListDoubleClick(int x, int y, unsigned keyState);
