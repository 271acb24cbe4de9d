// Labels of MainWindow: a transparent, single-line caption with an optional text effect. Screen
// readers get each one as static text named by its caption.
#pragma once

#include <windows.h>

#include <string>

#include "state/label_look.h"
#include "win/dpi.h"

struct LabelLook {
  HFONT font = nullptr;  // nullptr: the font the label is given with WM_SETFONT
  COLORREF color = RGB(0, 0, 0);
  LabelEffect effect = LabelEffect::None;
  UINT dpi = kBaseDpi;  // the effect's offset grows with it
};

bool RegisterLabelClass(HINSTANCE instance);
// look must outlive the window.
HWND CreateLabel(HWND parent, int id, const RECT& rect, const std::wstring& text, const LabelLook* look);
// Repaints the label and the parts of other labels that overlap it.
void InvalidateLabel(HWND label);
