// Inside Skin.dll: the look in use and the window subclasses that paint it.
#pragma once

#include <windows.h>

#include "skin/skin_format.h"

// The look being painted, with the brushes that WM_CTLCOLOR* answers must outlive.
struct LiveLook {
  SkinLook look;
  HBRUSH face = nullptr;
  HBRUSH combo = nullptr;

  COLORREF Colour(SkinKey key) const { return static_cast<COLORREF>(look.Get(key)); }
};

// nullptr before the first successful attach.
const LiveLook* CurrentLook();

// Subclasses hwnd when it is a kind of window we paint; harmless for any other window and
// for one already subclassed. applyNow: the window exists fully (not still being created).
void SkinWindow(HWND hwnd, bool applyNow);
// Repaints a top-level window and its children with the current look.
void RepaintSkinned(HWND topLevel);
