// What the driver asks of probe.dll inside kevu.exe: the captions of kevu.exe's controls measured
// in their own fonts (a font handle means something only in the process that made it, and Wine
// does not carry WM_GETFONT across processes); and the high contrast flag that kevu.exe and
// Skin.dll are told (Wine cannot turn high contrast on).
#pragma once

#include <windows.h>

namespace e2e {

inline constexpr UINT kTextProbeItems = 16;

struct TextProbeItem {
  HWND control;
  // Filled in by MeasureTexts:
  BOOL measured;
  wchar_t text[128];
  LONG width;            // GetTextExtentPoint32W of the caption
  LONG characterHeight;  // the font's cell less its internal leading
  LONG fontHeight;       // lfHeight of the font
};

struct TextProbeRequest {
  UINT count;
  TextProbeItem items[kTextProbeItems];
};

// ReportHighContrast's answer: whose imports of SystemParametersInfoW now report the flag.
inline constexpr DWORD kContrastReportedToKevu = 1;
inline constexpr DWORD kContrastReportedToSkin = 2;

}  // namespace e2e
