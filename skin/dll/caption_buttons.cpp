// The caption's buttons: where they lie, which one a point is over, and their faces and glyphs.
#include "skin/dll/painter.h"

namespace {

// The caption in window coordinates: inside the frame's border, above the client area (and its
// sunken edge); false where we leave the caption as the system draws it.
bool MeasureCaption(HWND hwnd, LONG style, UINT dpi, RECT& cap) {
  if ((style & WS_CAPTION) != WS_CAPTION || IsIconic(hwnd) || GetMenu(hwnd) != nullptr) return false;
  RECT window;
  GetWindowRect(hwnd, &window);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  int border = origin.x - window.left;
  int clientTop = origin.y - window.top;
  if (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
    border -= SystemMetricForDpi(SM_CXEDGE, dpi);
    clientTop -= SystemMetricForDpi(SM_CYEDGE, dpi);
  }
  const int width = window.right - window.left;
  cap = RECT{border, border, width - border, clientTop};
  return border >= 0 && cap.bottom - cap.top >= ScaleForDpi(kCaptionMinHeight, dpi) &&
         cap.right - cap.left >= ScaleForDpi(kCaptionMinWidth, dpi);
}

void AddButton(CaptionLayout& layout, const RECT& box, WPARAM hit, Glyph glyph) {
  layout.buttons[layout.buttonCount++] = CaptionButton{box, hit, glyph};
}

// From the right: close, then maximize and minimize when the window has either box.
void PlaceButtons(LONG style, CaptionLayout& layout) {
  layout.buttonCount = 0;
  const UINT dpi = layout.dpi;
  const RECT& cap = layout.cap;
  const int capHeight = cap.bottom - cap.top;
  const int side = capHeight - ScaleForDpi(kCaptionButtonSpare, dpi);
  if ((style & WS_SYSMENU) == 0 || side < ScaleForDpi(kCaptionButtonMinSide, dpi)) return;
  const int rightGap = ScaleForDpi(kCaptionButtonRightGap, dpi);
  RECT box{cap.right - rightGap - side, cap.top + (capHeight - side) / 2, cap.right - rightGap, 0};
  box.bottom = box.top + side;
  AddButton(layout, box, HTCLOSE, Glyph::Close);
  if ((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0) return;
  OffsetRect(&box, -(side + ScaleForDpi(kCloseToMaximizeGap, dpi)), 0);
  AddButton(layout, box, HTMAXBUTTON, Glyph::Maximize);
  OffsetRect(&box, -(side + ScaleForDpi(kMaximizeToMinimizeGap, dpi)), 0);
  AddButton(layout, box, HTMINBUTTON, Glyph::Minimize);
}

void DrawGlyph(HDC dc, const RECT& g, COLORREF ink, Glyph glyph, UINT dpi) {
  const int line = ScaleForDpi(kLine, dpi), stroke = ScaleForDpi(kGlyphStroke, dpi);
  // The cross is stroke one-pixel lines side by side.
  GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, ink));
  SelectedObject selected(dc, pen.Get());
  switch (glyph) {
    case Glyph::Close:
      for (int d = 0; d < stroke; ++d) {
        MoveToEx(dc, g.left + d, g.top, nullptr);
        LineTo(dc, g.right + d, g.bottom);
        MoveToEx(dc, g.right - 1 + d, g.top, nullptr);
        LineTo(dc, g.left - 1 + d, g.bottom);
      }
      break;
    case Glyph::Maximize:
      Frame(dc, g, ink, line);
      Fill(dc, RECT{g.left, g.top + line, g.right, g.top + stroke}, ink);
      break;
    case Glyph::Minimize:
      Fill(dc, RECT{g.left, g.bottom - stroke, g.right, g.bottom}, ink);
      break;
  }
}

}  // namespace

bool LayoutCaption(HWND hwnd, CaptionLayout& layout) {
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  layout.dpi = FrameDpiForWindow(hwnd);
  if (!MeasureCaption(hwnd, style, layout.dpi, layout.cap)) return false;
  PlaceButtons(style, layout);
  return true;
}

bool IsCaptionButton(WPARAM hit) { return hit == HTCLOSE || hit == HTMAXBUTTON || hit == HTMINBUTTON; }

WPARAM CaptionButtonAt(HWND hwnd, POINT screen) {
  CaptionLayout layout;
  if (!LayoutCaption(hwnd, layout)) return HTNOWHERE;
  RECT window;
  GetWindowRect(hwnd, &window);
  const POINT at{screen.x - window.left, screen.y - window.top};
  for (int i = 0; i < layout.buttonCount; ++i) {
    if (PtInRect(&layout.buttons[i].box, at)) return layout.buttons[i].hit;
  }
  return HTNOWHERE;
}

void DrawCaptionButton(HDC dc, const CaptionButton& button, COLORREF ink, Face face, UINT dpi, const LiveLook& look) {
  const RECT& box = button.box;
  if (face != Face::Normal) {
    Fill(dc, box, look.Colour(face == Face::Pressed ? SkinKey::ButtonPressed : SkinKey::ButtonHot));
    ink = look.Colour(SkinKey::ButtonText);
  }
  Frame(dc, box, ink, ScaleForDpi(kLine, dpi));
  const int inset = (box.right - box.left) / 4 + ScaleForDpi(kGlyphInsetExtra, dpi);
  RECT g{box.left + inset, box.top + inset, box.right - inset, box.bottom - inset};
  const int shift = ScaleForDpi(kPressedShift, dpi);
  if (face == Face::Pressed) OffsetRect(&g, shift, shift);
  DrawGlyph(dc, g, ink, button.glyph, dpi);
}
