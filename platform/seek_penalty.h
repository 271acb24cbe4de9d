// Whether the drive holding a path seeks (a rotating disk), which decides the read-ahead's pool.
#pragma once

#include "text/codepage.h"

class SeekPenaltyQuery {
 public:
  virtual ~SeekPenaltyQuery() = default;
  // The platform's answer; false when it cannot be told.
  virtual bool DriveIncursSeekPenalty(const NativeString& path) = 0;
};

SeekPenaltyQuery& PlatformSeekPenaltyQuery();
