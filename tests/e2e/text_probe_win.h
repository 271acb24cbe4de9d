// What the driver asks of textprobe.dll inside kevu.exe: the captions of kevu.exe's controls
// measured in their own fonts (a font handle means something only in the process that made it,
// and Wine does not carry WM_GETFONT across processes).
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

}  // namespace e2e
