// Top-level frames: the compositor kept off the frame, our caption painted over the system's, its
// buttons tracked by hand, and the colours the frame answers for its controls.
#include <windowsx.h>

#include "skin/dll/painter.h"

namespace {

// Where the compositor draws the frame (Windows 7 with Aero, always on 8 and later) it would hide
// our caption; turning its non-client rendering off leaves the frame to GDI and so to us.
// dwmapi.dll is loaded from the system folder at run time (it stays loaded with us: the frames we
// skin keep needing it); where it is absent nothing changes.
constexpr DWORD kDwmNcRenderingPolicy = 2;    // DWMWA_NCRENDERING_POLICY
constexpr DWORD kDwmNcRenderingDisabled = 1;  // DWMNCRP_DISABLED
constexpr DWORD kDwmNcRenderingByStyle = 0;   // DWMNCRP_USEWINDOWSTYLE: as for any window

COLORREF Blend(COLORREF a, COLORREF b, int num, int den) {
  if (den <= 0) return a;
  auto mix = [&](int shift) {
    const int ca = (a >> shift) & 0xFF;
    const int cb = (b >> shift) & 0xFF;
    return static_cast<COLORREF>(ca + (cb - ca) * num / den) << shift;
  };
  return mix(0) | mix(8) | mix(16);
}

HFONT CreateCaptionFont(UINT dpi) {
  NONCLIENTMETRICSW metrics;
  return NonClientMetricsForDpi(metrics, dpi) ? CreateFontIndirectW(&metrics.lfCaptionFont) : nullptr;
}

HICON SmallIconOf(HWND hwnd) {
  HICON icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICONSM));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICON));
  return icon;
}

// --- painting the caption ----------------------------------------------------------------------

void PaintCaptionGradient(HDC dc, const RECT& cap, UINT dpi, COLORREF left, COLORREF right) {
  const int span = cap.right - cap.left;
  const int step = ScaleForDpi(kCaptionGradientStrip, dpi);
  for (int x = 0; x < span; x += step) {
    const RECT strip{cap.left + x, cap.top, x + step < span ? cap.left + x + step : cap.right, cap.bottom};
    Fill(dc, strip, Blend(left, right, x, span > step ? span - step : 1));
  }
}

// A button held down shows pressed while the mouse is over it; hover shows only when none is held.
Face FaceOf(const Skinned& state, WPARAM hit) {
  if (state.pressedButton == hit) return state.pressedInside ? Face::Pressed : Face::Normal;
  return state.hotButton == hit && state.pressedButton == HTNOWHERE ? Face::Hot : Face::Normal;
}

// The window's small icon at the caption's left end; returns where the title may start.
int PaintCaptionIcon(HWND hwnd, HDC dc, const RECT& cap, UINT dpi, int textLeft) {
  const int capHeight = cap.bottom - cap.top;
  const int iconSize = SystemMetricForDpi(SM_CXSMICON, dpi);
  HICON icon = SmallIconOf(hwnd);
  if (icon == nullptr || iconSize <= 0 || iconSize >= capHeight) return textLeft;
  const int left = cap.left + ScaleForDpi(kCaptionIconLeft, dpi);
  DrawIconEx(dc, left, cap.top + (capHeight - iconSize) / 2, icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
  return left + iconSize + ScaleForDpi(kCaptionTextGap, dpi);
}

void PaintCaptionTitle(HWND hwnd, HDC dc, RECT text, UINT dpi, COLORREF ink) {
  wchar_t title[256];
  const int length = GetWindowTextW(hwnd, title, 256);
  if (length <= 0 || text.right <= text.left) return;
  GdiObject<HFONT> font(CreateCaptionFont(dpi));
  SelectedObject selected(dc, font ? static_cast<HGDIOBJ>(font.Get()) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ink);
  DrawTextW(dc, title, length, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

// Paints over the caption that the system drew.
void PaintCaption(HWND hwnd, const Skinned& state, const LiveLook& look) {
  CaptionLayout layout;
  if (!IsWindowVisible(hwnd) || !LayoutCaption(hwnd, layout)) return;
  WindowDc windowDc(hwnd, WindowDc::Whole);
  HDC dc = windowDc.Get();
  if (dc == nullptr) return;
  const RECT& cap = layout.cap;
  const UINT dpi = layout.dpi;
  PaintCaptionGradient(dc, cap, dpi,
                       look.Colour(state.active ? SkinKey::CaptionActiveLeft : SkinKey::CaptionInactiveLeft),
                       look.Colour(state.active ? SkinKey::CaptionActiveRight : SkinKey::CaptionInactiveRight));
  const COLORREF ink = look.Colour(state.active ? SkinKey::CaptionText : SkinKey::CaptionInactiveText);
  const int gap = ScaleForDpi(kCaptionTextGap, dpi);
  RECT text{cap.left + gap, cap.top, cap.right - gap, cap.bottom};
  for (int i = 0; i < layout.buttonCount; ++i) {
    const CaptionButton& button = layout.buttons[i];
    DrawCaptionButton(dc, button, ink, FaceOf(state, button.hit), dpi, look);
    text.right = button.box.left - gap;
  }
  if (GetWindowLongW(hwnd, GWL_STYLE) & WS_SYSMENU) text.left = PaintCaptionIcon(hwnd, dc, cap, dpi, text.left);
  PaintCaptionTitle(hwnd, dc, text, dpi, ink);
}

// --- message handlers --------------------------------------------------------------------------

WPARAM CommandOf(HWND hwnd, WPARAM hit) {
  if (hit == HTCLOSE) return SC_CLOSE;
  if (hit == HTMINBUTTON) return SC_MINIMIZE;
  return IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE;
}

POINT ScreenPointOfClient(HWND hwnd, LPARAM lParam) {
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ClientToScreen(hwnd, &at);
  return at;
}

// Our caption over what the default handling just drew (result is what it returned).
LRESULT CaptionAfter(const Message& m, const Skinned& state, const LiveLook& look, LRESULT result) {
  // The default handling may have closed the window.
  if (IsWindow(m.hwnd) && StateOf(m.hwnd) == &state) PaintCaption(m.hwnd, state, look);
  return result;
}

// The default frame painting first, then our caption over it.
LRESULT DefaultThenCaption(const Message& m, const Skinned& state, const LiveLook& look) {
  return CaptionAfter(m, state, look, m.Default());
}

// A non-client mouse message goes on with HTCAPTION in place of our buttons' codes: the default
// handler then has no button of its own to hot-track or push under ours.
LRESULT DefaultAsCaption(const Message& m) {
  // The X buttons' messages carry the hit code in the low word and the button in the high one.
  const bool xButton = m.msg >= WM_NCXBUTTONDOWN && m.msg <= WM_NCXBUTTONDBLCLK;
  if (!IsCaptionButton(xButton ? LOWORD(m.wParam) : m.wParam)) return m.Default();
  const WPARAM caption = xButton ? MAKEWPARAM(HTCAPTION, HIWORD(m.wParam)) : HTCAPTION;
  return DefSubclassProc(m.hwnd, m.msg, caption, m.lParam);
}

// Windows 10 1607 scales a frame with its monitor only when asked at this point; per-monitor v2
// (1703 on) always does, and then the caption we paint over is at the window's DPI either way.
LRESULT OnNcCreate(const Message& m) {
  EnableNonClientScaling(m.hwnd);
  return m.Default();
}

LRESULT OnCreate(const Message& m) {
  const LRESULT result = m.Default();
  if (result != -1) ChooseFrameRendering(m.hwnd);
  return result;
}

LRESULT OnCompositionChanged(const Message& m) {
  ChooseFrameRendering(m.hwnd);
  return m.Default();
}

LRESULT OnEraseBackground(const Message& m, const LiveLook& look) {
  RECT rc;
  GetClientRect(m.hwnd, &rc);
  FillRect(reinterpret_cast<HDC>(m.wParam), &rc, look.face.Get());
  return 1;
}

// The program's own colour answers stay on top; only the system's defaults are replaced.
LRESULT OnControlColour(const Message& m, const LiveLook& look) {
  const LRESULT chosen = m.Default();
  const bool fieldLike = m.msg == WM_CTLCOLOREDIT || m.msg == WM_CTLCOLORLISTBOX;
  HBRUSH systemDefault = GetSysColorBrush(fieldLike ? COLOR_WINDOW : COLOR_BTNFACE);
  if (chosen != 0 && reinterpret_cast<HBRUSH>(chosen) != systemDefault) return chosen;
  HDC dc = reinterpret_cast<HDC>(m.wParam);
  if (GetTextColor(dc) == GetSysColor(COLOR_WINDOWTEXT)) {
    SetTextColor(dc, look.Colour(fieldLike ? SkinKey::ComboText : SkinKey::WindowText));
  }
  SetBkColor(dc, look.Colour(fieldLike ? SkinKey::ComboBack : SkinKey::WindowFace));
  return reinterpret_cast<LRESULT>(fieldLike ? look.combo.Get() : look.face.Get());
}

LRESULT OnNotify(const Message& m, const LiveLook& look) {
  const auto* header = reinterpret_cast<const NMHDR*>(m.lParam);
  if (header != nullptr && header->code == static_cast<UINT>(NM_CUSTOMDRAW) && IsSkinnedList(header->hwndFrom)) {
    return ListCustomDraw(m, look);
  }
  return m.Default();
}

LRESULT OnNcHitTest(const Message& m) {
  const LRESULT hit = m.Default();
  const WPARAM ours = CaptionButtonAt(m.hwnd, POINT{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)});
  if (ours != HTNOWHERE) return static_cast<LRESULT>(ours);
  // The system's own buttons lie elsewhere than the ones we draw.
  return IsCaptionButton(static_cast<WPARAM>(hit)) ? HTCAPTION : hit;
}

LRESULT OnNcMouseMove(const Message& m, Skinned& state, const LiveLook& look) {
  if (!state.trackingLeave) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, m.hwnd, 0};
    state.trackingLeave = TrackMouseEvent(&track) != FALSE;
  }
  // The default first, our hover face after it.
  const LRESULT result = DefaultAsCaption(m);
  const WPARAM hot = IsCaptionButton(m.wParam) ? m.wParam : HTNOWHERE;
  if (!IsWindow(m.hwnd) || StateOf(m.hwnd) != &state || hot == state.hotButton) return result;
  state.hotButton = hot;
  PaintCaption(m.hwnd, state, look);
  return result;
}

LRESULT OnNcMouseLeave(const Message& m, Skinned& state, const LiveLook& look) {
  state.trackingLeave = false;
  state.hotButton = HTNOWHERE;
  // Once a leave: the whole caption again, over whatever the default handler drew for it.
  return DefaultThenCaption(m, state, look);
}

LRESULT OnNcLButtonDown(const Message& m, Skinned& state, const LiveLook& look) {
  if (!IsCaptionButton(m.wParam)) return DefaultThenCaption(m, state, look);
  // Tracked here: the system's own tracking would draw its pressed button over ours.
  state.pressedButton = m.wParam;
  state.pressedInside = true;
  SetCapture(m.hwnd);
  PaintCaption(m.hwnd, state, look);
  return 0;
}

LRESULT OnMouseMove(const Message& m, Skinned& state, const LiveLook& look) {
  if (state.pressedButton == HTNOWHERE) return m.Default();
  const bool inside = CaptionButtonAt(m.hwnd, ScreenPointOfClient(m.hwnd, m.lParam)) == state.pressedButton;
  if (inside != state.pressedInside) {
    state.pressedInside = inside;
    PaintCaption(m.hwnd, state, look);
  }
  return 0;
}

LRESULT OnLButtonUp(const Message& m, Skinned& state, const LiveLook& look) {
  if (state.pressedButton == HTNOWHERE) return m.Default();
  const WPARAM pressed = state.pressedButton;
  const POINT at = ScreenPointOfClient(m.hwnd, m.lParam);
  const bool inside = CaptionButtonAt(m.hwnd, at) == pressed;
  state.pressedButton = HTNOWHERE;
  ReleaseCapture();
  PaintCaption(m.hwnd, state, look);
  // May destroy the window and state with it: nothing of ours after this.
  if (inside) SendMessageW(m.hwnd, WM_SYSCOMMAND, CommandOf(m.hwnd, pressed), MAKELPARAM(at.x, at.y));
  return 0;
}

LRESULT OnCaptureChanged(const Message& m, Skinned& state, const LiveLook& look) {
  if (state.pressedButton != HTNOWHERE && reinterpret_cast<HWND>(m.lParam) != m.hwnd) {
    state.pressedButton = HTNOWHERE;
    PaintCaption(m.hwnd, state, look);
  }
  return m.Default();
}

LRESULT OnNcActivate(const Message& m, Skinned& state, const LiveLook& look) {
  state.active = m.wParam != FALSE;
  return DefaultThenCaption(m, state, look);
}

}  // namespace

void ChooseFrameRendering(HWND hwnd) {
  if (!g_process.dwmLooked) {
    g_process.dwmLooked = true;
    g_process.dwmSetAttribute = SystemLibraryFunction<DwmSetWindowAttributeFn>(L"dwmapi.dll", "DwmSetWindowAttribute");
  }
  if (g_process.dwmSetAttribute == nullptr) return;
  const DWORD policy = g_process.highContrast ? kDwmNcRenderingByStyle : kDwmNcRenderingDisabled;
  g_process.dwmSetAttribute(hwnd, kDwmNcRenderingPolicy, &policy, sizeof policy);
}

LRESULT FrameProc(const Message& m, Skinned& state, const LiveLook& look) {
  switch (m.msg) {
    case WM_NCCREATE: return OnNcCreate(m);
    case WM_CREATE: return OnCreate(m);
    case WM_DWMCOMPOSITIONCHANGED: return OnCompositionChanged(m);
    case WM_ERASEBKGND: return OnEraseBackground(m, look);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: return OnControlColour(m, look);
    case WM_NOTIFY: return OnNotify(m, look);
    case WM_NCHITTEST: return OnNcHitTest(m);
    case WM_NCMOUSEMOVE: return OnNcMouseMove(m, state, look);
    case WM_NCMOUSELEAVE: return OnNcMouseLeave(m, state, look);
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: return OnNcLButtonDown(m, state, look);
    case WM_MOUSEMOVE: return OnMouseMove(m, state, look);
    case WM_LBUTTONUP: return OnLButtonUp(m, state, look);
    case WM_CAPTURECHANGED: return OnCaptureChanged(m, state, look);
    case WM_NCACTIVATE: return OnNcActivate(m, state, look);
    // The system paints (part of) the frame again for these.
    case WM_NCPAINT:
    case WM_SETTEXT:
    case WM_SETICON: return DefaultThenCaption(m, state, look);
    case WM_NCLBUTTONUP: return CaptionAfter(m, state, look, DefaultAsCaption(m));
    case WM_NCMOUSEHOVER:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
    case WM_NCMBUTTONDBLCLK:
    case WM_NCXBUTTONDOWN:
    case WM_NCXBUTTONUP:
    case WM_NCXBUTTONDBLCLK: return DefaultAsCaption(m);
    default: return m.Default();
  }
}
