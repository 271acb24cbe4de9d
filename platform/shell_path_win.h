// The form of a path that the shell of this 32-bit process opens as the file the scan found.
#pragma once

#include <string>

// The scan sees the real System32, but the shell runs here with WOW64 redirection on (it loads
// DLLs and COM servers), where that name means SysWOW64. Under WOW64 a path below System32 is
// given as %windir%\Sysnative\..., the name a 32-bit process has for the real folder; every
// other path, and every path on 32-bit Windows (no Sysnative there), is given unchanged.
std::wstring PathForTheShell(const std::wstring& path);
