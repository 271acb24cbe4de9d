// The exit clean-up of the program-wide state.
#pragma once

#include "scan/scan_context.h"

// ScanRoot, then ContentKeywords, then NameKeywords (each list with its matcher); runs once.
// A worker still walking keeps them: they are left to the end of the process then.
void ReleaseGlobals(ScanContext& ctx);
