// Inside Skin.dll: what the subclass proc and the painters of frames, push buttons and list views
// share. Paint only: the windows keep their sizes, their behaviour and the colours the program chose.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "skin/dll/skin_dll.h"
#include "win/dpi.h"

enum class SkinnedKind { Frame, Button, ListView };

// Each skinned window's own state, on the process heap from SkinWindow to WM_NCDESTROY.
struct Skinned {
  SkinnedKind kind;
  bool hot = false;     // buttons: the mouse is over it
  bool active = false;  // frames: the caption is drawn active
  // Frames: the caption button under the mouse, the one held down (HTNOWHERE: none) and whether
  // the mouse is still over that one, and whether the system will tell us when the mouse leaves.
  WPARAM hotButton = HTNOWHERE;
  WPARAM pressedButton = HTNOWHERE;
  bool pressedInside = false;
  bool trackingLeave = false;
};

// A message as the subclass proc got it; Default() passes it on to the window's own procedure.
struct Message {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;

  LRESULT Default() const { return DefSubclassProc(hwnd, msg, wParam, lParam); }
};

// The painter's sizes, in pixels at 96 DPI; each is drawn at ScaleForDpi(size, the window's DPI).
// What the system draws or measures (the caption's height, fonts, the list's rows) is at that DPI
// already and is taken as it is.
constexpr int kLine = 1;          // pens, dividers, header and grid lines
constexpr int kPressedShift = 1;  // a pressed face moves its content right and down by this
constexpr int kCaptionMinHeight = 8;  // smaller captions and narrower ones keep the system's look
constexpr int kCaptionMinWidth = 32;
constexpr int kCaptionButtonSpare = 5;  // of the caption's height, what a caption button leaves free
constexpr int kCaptionButtonMinSide = 6;
constexpr int kCaptionButtonRightGap = 2;  // the close button to the caption's right end
constexpr int kCloseToMaximizeGap = 4;
constexpr int kMaximizeToMinimizeGap = 2;
constexpr int kCaptionGradientStrip = 4;
constexpr int kCaptionIconLeft = 2;
constexpr int kCaptionTextGap = 4;  // the title to the caption's ends, the icon and the buttons
constexpr int kGlyphInsetExtra = 1;  // a glyph is inset a quarter of its button and this
constexpr int kGlyphStroke = 2;
constexpr int kDefaultRingInset = 1;  // push buttons: the default button's second border
constexpr int kFocusInset = 3;
constexpr int kHeaderTextMargin = 6;

inline void Fill(HDC dc, const RECT& rc, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A border of this width just inside rc.
inline void Frame(HDC dc, const RECT& rc, COLORREF colour, int width) {
  if (width <= 1) {
    SetDCBrushColor(dc, colour);
    FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    return;
  }
  Fill(dc, RECT{rc.left, rc.top, rc.right, rc.top + width}, colour);
  Fill(dc, RECT{rc.left, rc.bottom - width, rc.right, rc.bottom}, colour);
  Fill(dc, RECT{rc.left, rc.top + width, rc.left + width, rc.bottom - width}, colour);
  Fill(dc, RECT{rc.right - width, rc.top + width, rc.right, rc.bottom - width}, colour);
}

// skin_proc.cpp: a window's state under our subclass (nullptr: not one of ours).
Skinned* StateOf(HWND hwnd);

// frame.cpp: top-level windows with a caption. The compositor is kept off the frame while we
// paint its caption, and left to draw it as for any window in high contrast.
void ChooseFrameRendering(HWND hwnd);
LRESULT FrameProc(const Message& m, Skinned& state, const LiveLook& look);

// caption_buttons.cpp: where the caption and its buttons lie, and how a button looks.
enum class Glyph { Close, Maximize, Minimize };
enum class Face { Normal, Hot, Pressed };

struct CaptionButton {
  RECT box;
  WPARAM hit;
  Glyph glyph;
};

// In window coordinates, inside the rectangle the system gave the caption, at the window's DPI.
struct CaptionLayout {
  UINT dpi = kBaseDpi;
  RECT cap{};
  int buttonCount = 0;
  CaptionButton buttons[3]{};
};

bool LayoutCaption(HWND hwnd, CaptionLayout& layout);
bool IsCaptionButton(WPARAM hit);
// The caption button at a screen point, or HTNOWHERE.
WPARAM CaptionButtonAt(HWND hwnd, POINT screen);
void DrawCaptionButton(HDC dc, const CaptionButton& button, COLORREF ink, Face face, UINT dpi, const LiveLook& look);

// button.cpp: push buttons.
bool IsPushStyle(LONG style);
LRESULT ButtonProc(const Message& m, Skinned& state, const LiveLook& look);

// list_view.cpp: list views, their header and grid lines.
bool IsSkinnedList(HWND hwnd);
void ApplyListColours(HWND hwnd, const LiveLook& look);
// A skinned list's NM_CUSTOMDRAW as its parent (m.hwnd) gets it.
LRESULT ListCustomDraw(const Message& m, const LiveLook& look);
LRESULT ListViewProc(const Message& m, const LiveLook& look);
