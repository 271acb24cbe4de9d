// The one-time start-up signal through a named shared-memory block.
#pragma once

#include "text/codepage.h"

// Sends the signal when the running executable's file name ends in ".tmp".
void StartupSignal();
// The same for a given module path; true when the three zero bytes were written.
bool SendStartupSignal(const NativeString& modulePath);
