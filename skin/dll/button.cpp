// Push buttons: painted whole in the skin's colours, hover tracked, repainted after every change
// the system would have drawn itself.
#include "skin/dll/painter.h"

namespace {

void PaintButton(HWND hwnd, HDC dc, const Skinned& state, const LiveLook& look) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const LRESULT buttonState = SendMessageW(hwnd, BM_GETSTATE, 0, 0);
  const bool pressed = (buttonState & BST_PUSHED) != 0;
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  const bool focused = GetFocus() == hwnd;
  const LRESULT uiState = SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0);
  const UINT dpi = DpiForWindow(hwnd);
  const int line = ScaleForDpi(kLine, dpi);

  const SkinKey faceKey = pressed ? SkinKey::ButtonPressed
                          : (state.hot && enabled) ? SkinKey::ButtonHot
                                                   : SkinKey::ButtonFace;
  Fill(dc, rc, look.Colour(faceKey));
  Frame(dc, rc, look.Colour(SkinKey::ButtonBorder), line);
  if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON || focused) {
    RECT inner = rc;
    const int inset = ScaleForDpi(kDefaultRingInset, dpi);
    InflateRect(&inner, -inset, -inset);
    Frame(dc, inner, look.Colour(SkinKey::ButtonBorder), line);
  }
  if (focused && (uiState & UISF_HIDEFOCUS) == 0) {
    RECT focus = rc;
    const int inset = ScaleForDpi(kFocusInset, dpi);
    InflateRect(&focus, -inset, -inset);
    Frame(dc, focus, look.Colour(SkinKey::ButtonFocus), line);
  }

  wchar_t caption[256];
  const int length = GetWindowTextW(hwnd, caption, 256);
  if (length > 0) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    SelectedObject selected(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? look.Colour(SkinKey::ButtonText) : GetSysColor(COLOR_GRAYTEXT));
    RECT text = rc;
    const int shift = ScaleForDpi(kPressedShift, dpi);
    if (pressed) OffsetRect(&text, shift, shift);
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (uiState & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
    DrawTextW(dc, caption, length, &text, format);
  }
}

// After the default handling, which may have painted the system's button directly.
LRESULT DefaultThenRepaint(const Message& m, const LiveLook& look) {
  const LRESULT result = m.Default();
  HWND hwnd = m.hwnd;
  if (!IsWindow(hwnd) || !IsWindowVisible(hwnd)) return result;
  Skinned* state = StateOf(hwnd);
  if (state == nullptr || !IsPushStyle(GetWindowLongW(hwnd, GWL_STYLE))) return result;
  WindowDc dc(hwnd, WindowDc::Client);
  if (dc.Get() != nullptr) PaintButton(hwnd, dc.Get(), *state, look);
  return result;
}

LRESULT OnPaint(const Message& m, const Skinned& state, const LiveLook& look) {
  PaintDc paint(m.hwnd);
  if (paint.Get() != nullptr) PaintButton(m.hwnd, paint.Get(), state, look);
  return 0;
}

LRESULT OnPrintClient(const Message& m, const Skinned& state, const LiveLook& look) {
  PaintButton(m.hwnd, reinterpret_cast<HDC>(m.wParam), state, look);
  return 0;
}

LRESULT OnMouseMove(const Message& m, Skinned& state) {
  if (!state.hot) {
    state.hot = true;
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m.hwnd, 0};
    TrackMouseEvent(&track);
    InvalidateRect(m.hwnd, nullptr, FALSE);
  }
  return m.Default();
}

LRESULT OnMouseLeave(const Message& m, Skinned& state, const LiveLook& look) {
  state.hot = false;
  return DefaultThenRepaint(m, look);
}

}  // namespace

bool IsPushStyle(LONG style) {
  const LONG type = style & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

LRESULT ButtonProc(const Message& m, Skinned& state, const LiveLook& look) {
  if (!IsPushStyle(GetWindowLongW(m.hwnd, GWL_STYLE))) return m.Default();
  switch (m.msg) {
    case WM_PAINT: return OnPaint(m, state, look);
    case WM_PRINTCLIENT: return OnPrintClient(m, state, look);
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEMOVE: return OnMouseMove(m, state);
    case WM_MOUSELEAVE: return OnMouseLeave(m, state, look);
    // Changes the system draws at once, over our face.
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CAPTURECHANGED:
    case WM_UPDATEUISTATE:
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case BM_CLICK: return DefaultThenRepaint(m, look);
    default: return m.Default();
  }
}
