// The health score as the window shows it: the number in ScoreLabel, the verdict table's text in
// VerdictLabel.
#pragma once

#include <cstdint>
#include <string>

#include "scan/controls.h"

// The text of the last row of the verdict table that holds for score ("" for none).
const std::string& VerdictFor(int32_t score);
void ShowScore(Controls& controls, int32_t score);
void ShowVerdict(Controls& controls, int32_t score);

struct ScanContext;
// The window's status and verdict texts tell the end of the scan the user started (a drive's end
// within a whole-machine scan is not it) with the verdict of its final score: the moment a screen
// reader is told.
bool ShowsScanEnd(const ScanContext& ctx, const std::string& status, const std::string& verdict);
