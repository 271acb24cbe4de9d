// The one place where paths handed to the Win32 file functions get their extended-length form.
#pragma once

#include <cstddef>

#include "text/codepage.h"

// From this length on a path is passed as \\?\C:\... or \\?\UNC\server\share\..., which lifts
// the MAX_PATH limit; shorter paths go unchanged and keep the usual Win32 path rules.
inline constexpr size_t kLongPathThreshold = 240;

// Writes the form of path to hand to the file system into out (out may not alias path).
void ToFileSystemPath(NativeStringView path, NativeString& out);
NativeString ToFileSystemPath(NativeStringView path);
