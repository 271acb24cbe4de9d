// Whether the drive holding a path seeks (a rotating disk), which decides the read-ahead's pool.
#pragma once

#include "text/codepage.h"

// The platform's answer; false when it cannot be told.
bool DriveIncursSeekPenalty(const NativeString& path);
