// Inside Skin.dll: the subclasses that paint the look. Paint only: the windows keep their sizes,
// their behaviour and whatever colours the program chose itself.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include "skin/dll/skin_dll.h"

namespace {

enum class Kind { Frame, Button, ListView };

struct Skinned {
  Kind kind;
  bool hot = false;     // buttons: the mouse is over it
  bool active = false;  // frames: the caption is drawn active
  // Frames: the caption button under the mouse, the one held down (HTNOWHERE: none) and whether
  // the mouse is still over that one, and whether the system will tell us when the mouse leaves.
  WPARAM hotButton = HTNOWHERE;
  WPARAM pressedButton = HTNOWHERE;
  bool pressedInside = false;
  bool trackingLeave = false;
};

constexpr UINT_PTR kSubclassId = 0x4B56;

LRESULT CALLBACK SkinProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref);

Skinned* StateOf(HWND hwnd) {
  DWORD_PTR ref = 0;
  return GetWindowSubclass(hwnd, SkinProc, kSubclassId, &ref) ? reinterpret_cast<Skinned*>(ref) : nullptr;
}

void Fill(HDC dc, const RECT& rc, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Frame(HDC dc, const RECT& rc, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

COLORREF Blend(COLORREF a, COLORREF b, int num, int den) {
  if (den <= 0) return a;
  auto mix = [&](int shift) {
    const int ca = (a >> shift) & 0xFF;
    const int cb = (b >> shift) & 0xFF;
    return static_cast<COLORREF>(ca + (cb - ca) * num / den) << shift;
  };
  return mix(0) | mix(8) | mix(16);
}

bool IsPushStyle(LONG style) {
  const LONG type = style & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool ClassNameIs(HWND hwnd, const wchar_t* name) {
  wchar_t buffer[64];
  if (GetClassNameW(hwnd, buffer, 64) <= 0) return false;
  const wchar_t* bare = buffer;
  for (const wchar_t* p = buffer; *p; ++p) {
    if (*p == L'!') bare = p + 1;  // versioned class names of the common controls
  }
  return lstrcmpiW(bare, name) == 0;
}

bool KindOf(HWND hwnd, Kind& kind) {
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  if ((style & WS_CHILD) == 0) {
    if ((style & WS_CAPTION) != WS_CAPTION) return false;
    kind = Kind::Frame;
    return true;
  }
  if (ClassNameIs(hwnd, L"Button")) {
    kind = Kind::Button;
    return IsPushStyle(style);
  }
  if (ClassNameIs(hwnd, WC_LISTVIEWW)) {
    kind = Kind::ListView;
    return true;
  }
  return false;
}

// --- frames ------------------------------------------------------------------------------------

// Where the compositor draws the frame (Windows 7 with Aero, always on 8 and later) it would hide
// our caption; turning its non-client rendering off leaves the frame to GDI and so to us.
// dwmapi.dll is loaded from the system folder at run time: where it is absent nothing changes.
using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
constexpr DWORD kDwmNcRenderingPolicy = 2;  // DWMWA_NCRENDERING_POLICY
constexpr DWORD kDwmNcRenderingDisabled = 1;  // DWMNCRP_DISABLED

DwmSetWindowAttributeFn g_dwmSetAttribute = nullptr;
bool g_dwmLooked = false;

void LeaveFrameToUs(HWND hwnd) {
  if (!g_dwmLooked) {
    g_dwmLooked = true;
    const UINT length = GetSystemDirectoryW(nullptr, 0);
    static constexpr wchar_t kName[] = L"\\dwmapi.dll";
    HeapBlock path((length + sizeof kName / sizeof kName[0]) * sizeof(wchar_t));
    wchar_t* text = path.As<wchar_t>();
    if (length > 0 && text != nullptr && GetSystemDirectoryW(text, length) == length - 1) {
      lstrcatW(text, kName);
      // Stays loaded with us: the frames we skin keep needing it.
      if (HMODULE dwm = LoadLibraryW(text)) {
        g_dwmSetAttribute = reinterpret_cast<DwmSetWindowAttributeFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
      }
    }
  }
  if (g_dwmSetAttribute == nullptr) return;
  const DWORD policy = kDwmNcRenderingDisabled;
  g_dwmSetAttribute(hwnd, kDwmNcRenderingPolicy, &policy, sizeof policy);
}

HFONT CreateCaptionFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    return CreateFontIndirectW(&metrics.lfCaptionFont);
  }
  return nullptr;
}

HICON SmallIconOf(HWND hwnd) {
  HICON icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICONSM));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
  if (icon == nullptr) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICON));
  return icon;
}

bool IsCaptionButton(WPARAM hit) { return hit == HTCLOSE || hit == HTMAXBUTTON || hit == HTMINBUTTON; }

// The caption and its buttons in window coordinates, inside the rectangle the system gave the
// caption: metrics never change.
struct CaptionLayout {
  RECT cap{};
  int buttonCount = 0;
  RECT buttons[3]{};
  WPARAM hits[3]{};
  char glyphs[3]{};
};

bool LayoutCaption(HWND hwnd, CaptionLayout& layout) {
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  if ((style & WS_CAPTION) != WS_CAPTION || IsIconic(hwnd) || GetMenu(hwnd) != nullptr) return false;
  RECT window;
  GetWindowRect(hwnd, &window);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  int border = origin.x - window.left;
  int clientTop = origin.y - window.top;
  if (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
    border -= GetSystemMetrics(SM_CXEDGE);
    clientTop -= GetSystemMetrics(SM_CYEDGE);
  }
  const int width = window.right - window.left;
  layout.cap = RECT{border, border, width - border, clientTop};
  const int capHeight = layout.cap.bottom - layout.cap.top;
  if (border < 0 || capHeight < 8 || layout.cap.right - layout.cap.left < 32) return false;
  layout.buttonCount = 0;
  const int side = capHeight - 5;
  if ((style & WS_SYSMENU) && side >= 6) {
    RECT box{layout.cap.right - 2 - side, layout.cap.top + (capHeight - side) / 2, layout.cap.right - 2, 0};
    box.bottom = box.top + side;
    layout.buttons[0] = box;
    layout.hits[0] = HTCLOSE;
    layout.glyphs[0] = 'x';
    layout.buttonCount = 1;
    if (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) {
      OffsetRect(&box, -(side + 4), 0);
      layout.buttons[1] = box;
      layout.hits[1] = HTMAXBUTTON;
      layout.glyphs[1] = 'o';
      OffsetRect(&box, -(side + 2), 0);
      layout.buttons[2] = box;
      layout.hits[2] = HTMINBUTTON;
      layout.glyphs[2] = '_';
      layout.buttonCount = 3;
    }
  }
  return true;
}

// The caption button at a screen point, or HTNOWHERE.
WPARAM CaptionButtonAt(HWND hwnd, POINT screen) {
  CaptionLayout layout;
  if (!LayoutCaption(hwnd, layout)) return HTNOWHERE;
  RECT window;
  GetWindowRect(hwnd, &window);
  const POINT at{screen.x - window.left, screen.y - window.top};
  for (int i = 0; i < layout.buttonCount; ++i) {
    if (PtInRect(&layout.buttons[i], at)) return layout.hits[i];
  }
  return HTNOWHERE;
}

enum class Face { Normal, Hot, Pressed };

void DrawCaptionButton(HDC dc, const RECT& box, COLORREF ink, char glyph, Face face, const LiveLook& look) {
  if (face != Face::Normal) {
    Fill(dc, box, look.Colour(face == Face::Pressed ? SkinKey::ButtonPressed : SkinKey::ButtonHot));
    ink = look.Colour(SkinKey::ButtonText);
  }
  Frame(dc, box, ink);
  GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, ink));
  SelectedObject selected(dc, pen.Get());
  const int inset = (box.right - box.left) / 4 + 1;
  RECT g{box.left + inset, box.top + inset, box.right - inset, box.bottom - inset};
  if (face == Face::Pressed) OffsetRect(&g, 1, 1);
  if (glyph == 'x') {
    for (int d = 0; d <= 1; ++d) {
      MoveToEx(dc, g.left + d, g.top, nullptr);
      LineTo(dc, g.right + d, g.bottom);
      MoveToEx(dc, g.right - 1 + d, g.top, nullptr);
      LineTo(dc, g.left - 1 + d, g.bottom);
    }
  } else if (glyph == 'o') {
    Frame(dc, g, ink);
    Fill(dc, RECT{g.left, g.top + 1, g.right, g.top + 2}, ink);
  } else {
    Fill(dc, RECT{g.left, g.bottom - 2, g.right, g.bottom}, ink);
  }
}

// Paints over the caption that the system drew.
void PaintCaption(HWND hwnd, const Skinned& state, const LiveLook& look) {
  CaptionLayout layout;
  if (!IsWindowVisible(hwnd) || !LayoutCaption(hwnd, layout)) return;
  WindowDc windowDc(hwnd, WindowDc::Whole);
  HDC dc = windowDc.Get();
  if (dc == nullptr) return;
  const RECT& cap = layout.cap;
  const int capHeight = cap.bottom - cap.top;
  const COLORREF left = look.Colour(state.active ? SkinKey::CaptionActiveLeft : SkinKey::CaptionInactiveLeft);
  const COLORREF right = look.Colour(state.active ? SkinKey::CaptionActiveRight : SkinKey::CaptionInactiveRight);
  const COLORREF ink = look.Colour(state.active ? SkinKey::CaptionText : SkinKey::CaptionInactiveText);
  const int span = cap.right - cap.left;
  constexpr int kStrip = 4;
  for (int x = 0; x < span; x += kStrip) {
    const RECT strip{cap.left + x, cap.top, x + kStrip < span ? cap.left + x + kStrip : cap.right, cap.bottom};
    Fill(dc, strip, Blend(left, right, x, span > kStrip ? span - kStrip : 1));
  }

  int textLeft = cap.left + 4;
  int textRight = cap.right - 4;
  for (int i = 0; i < layout.buttonCount; ++i) {
    const WPARAM hit = layout.hits[i];
    const Face face = state.pressedButton == hit ? (state.pressedInside ? Face::Pressed : Face::Normal)
                      : state.hotButton == hit && state.pressedButton == HTNOWHERE ? Face::Hot
                                                                                    : Face::Normal;
    DrawCaptionButton(dc, layout.buttons[i], ink, layout.glyphs[i], face, look);
    textRight = layout.buttons[i].left - 4;
  }
  if (GetWindowLongW(hwnd, GWL_STYLE) & WS_SYSMENU) {
    const int iconSize = GetSystemMetrics(SM_CXSMICON);
    HICON icon = SmallIconOf(hwnd);
    if (icon != nullptr && iconSize > 0 && iconSize < capHeight) {
      DrawIconEx(dc, cap.left + 2, cap.top + (capHeight - iconSize) / 2, icon, iconSize, iconSize, 0, nullptr,
                 DI_NORMAL);
      textLeft = cap.left + 2 + iconSize + 4;
    }
  }

  wchar_t title[256];
  const int length = GetWindowTextW(hwnd, title, 256);
  if (length > 0 && textRight > textLeft) {
    GdiObject<HFONT> font(CreateCaptionFont());
    SelectedObject selected(dc, font ? static_cast<HGDIOBJ>(font.Get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    RECT text{textLeft, cap.top, textRight, cap.bottom};
    DrawTextW(dc, title, length, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
}

// The program's own colour answers stay on top; only the system's defaults are replaced.
LRESULT ControlColour(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, const LiveLook& look) {
  const LRESULT chosen = DefSubclassProc(hwnd, msg, wParam, lParam);
  const bool fieldLike = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
  HBRUSH systemDefault = GetSysColorBrush(fieldLike ? COLOR_WINDOW : COLOR_BTNFACE);
  if (chosen != 0 && reinterpret_cast<HBRUSH>(chosen) != systemDefault) return chosen;
  HDC dc = reinterpret_cast<HDC>(wParam);
  if (GetTextColor(dc) == GetSysColor(COLOR_WINDOWTEXT)) {
    SetTextColor(dc, look.Colour(fieldLike ? SkinKey::ComboText : SkinKey::WindowText));
  }
  SetBkColor(dc, look.Colour(fieldLike ? SkinKey::ComboBack : SkinKey::WindowFace));
  return reinterpret_cast<LRESULT>(fieldLike ? look.combo.Get() : look.face.Get());
}

bool IsSkinnedList(HWND hwnd);
LRESULT ListCustomDraw(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam, const LiveLook& look);

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

LRESULT FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Skinned& state, const LiveLook& look) {
  switch (msg) {
    case WM_CREATE: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
      if (result != -1) LeaveFrameToUs(hwnd);
      return result;
    }
    case WM_DWMCOMPOSITIONCHANGED:
      LeaveFrameToUs(hwnd);
      return DefSubclassProc(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(reinterpret_cast<HDC>(wParam), &rc, look.face.Get());
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return ControlColour(hwnd, msg, wParam, lParam, look);
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header != nullptr && header->code == static_cast<UINT>(NM_CUSTOMDRAW) && IsSkinnedList(header->hwndFrom)) {
        return ListCustomDraw(hwnd, msg, wParam, lParam, look);
      }
      return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    case WM_NCHITTEST: {
      const LRESULT hit = DefSubclassProc(hwnd, msg, wParam, lParam);
      const WPARAM ours = CaptionButtonAt(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (ours != HTNOWHERE) return static_cast<LRESULT>(ours);
      // The system's own buttons lie elsewhere than the ones we draw.
      return IsCaptionButton(static_cast<WPARAM>(hit)) ? HTCAPTION : hit;
    }
    case WM_NCMOUSEMOVE: {
      if (!state.trackingLeave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, hwnd, 0};
        state.trackingLeave = TrackMouseEvent(&track) != FALSE;
      }
      const WPARAM hot = IsCaptionButton(wParam) ? wParam : HTNOWHERE;
      if (hot != state.hotButton) {
        state.hotButton = hot;
        PaintCaption(hwnd, state, look);
      }
      return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    case WM_NCMOUSELEAVE:
      state.trackingLeave = false;
      if (state.hotButton != HTNOWHERE) {
        state.hotButton = HTNOWHERE;
        PaintCaption(hwnd, state, look);
      }
      return DefSubclassProc(hwnd, msg, wParam, lParam);
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (IsCaptionButton(wParam)) {
        // Tracked here: the system's own tracking would draw its pressed button over ours.
        state.pressedButton = wParam;
        state.pressedInside = true;
        SetCapture(hwnd);
        PaintCaption(hwnd, state, look);
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      if (state.pressedButton != HTNOWHERE) {
        const bool inside = CaptionButtonAt(hwnd, ScreenPointOfClient(hwnd, lParam)) == state.pressedButton;
        if (inside != state.pressedInside) {
          state.pressedInside = inside;
          PaintCaption(hwnd, state, look);
        }
        return 0;
      }
      return DefSubclassProc(hwnd, msg, wParam, lParam);
    case WM_LBUTTONUP:
      if (state.pressedButton != HTNOWHERE) {
        const WPARAM pressed = state.pressedButton;
        const POINT at = ScreenPointOfClient(hwnd, lParam);
        const bool inside = CaptionButtonAt(hwnd, at) == pressed;
        state.pressedButton = HTNOWHERE;
        ReleaseCapture();
        PaintCaption(hwnd, state, look);
        // May destroy the window and state with it: nothing of ours after this.
        if (inside) SendMessageW(hwnd, WM_SYSCOMMAND, CommandOf(hwnd, pressed), MAKELPARAM(at.x, at.y));
        return 0;
      }
      return DefSubclassProc(hwnd, msg, wParam, lParam);
    case WM_CAPTURECHANGED:
      if (state.pressedButton != HTNOWHERE && reinterpret_cast<HWND>(lParam) != hwnd) {
        state.pressedButton = HTNOWHERE;
        PaintCaption(hwnd, state, look);
      }
      return DefSubclassProc(hwnd, msg, wParam, lParam);
    case WM_NCACTIVATE:
      state.active = wParam != FALSE;
      break;
    case WM_NCPAINT:
    case WM_SETTEXT:
    case WM_SETICON:
    case WM_NCLBUTTONUP:
      break;
    default:
      return DefSubclassProc(hwnd, msg, wParam, lParam);
  }
  // The default frame painting first, then our caption over it.
  const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
  // The default handling may have closed the window.
  if (IsWindow(hwnd) && StateOf(hwnd) == &state) PaintCaption(hwnd, state, look);
  return result;
}

// --- push buttons ------------------------------------------------------------------------------

void PaintButton(HWND hwnd, HDC dc, const Skinned& state, const LiveLook& look) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const LRESULT buttonState = SendMessageW(hwnd, BM_GETSTATE, 0, 0);
  const bool pressed = (buttonState & BST_PUSHED) != 0;
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  const bool focused = GetFocus() == hwnd;
  const LRESULT uiState = SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0);

  const SkinKey faceKey = pressed ? SkinKey::ButtonPressed
                          : (state.hot && enabled) ? SkinKey::ButtonHot
                                                   : SkinKey::ButtonFace;
  Fill(dc, rc, look.Colour(faceKey));
  Frame(dc, rc, look.Colour(SkinKey::ButtonBorder));
  if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON || focused) {
    RECT inner = rc;
    InflateRect(&inner, -1, -1);
    Frame(dc, inner, look.Colour(SkinKey::ButtonBorder));
  }
  if (focused && (uiState & UISF_HIDEFOCUS) == 0) {
    RECT focus = rc;
    InflateRect(&focus, -3, -3);
    Frame(dc, focus, look.Colour(SkinKey::ButtonFocus));
  }

  wchar_t caption[256];
  const int length = GetWindowTextW(hwnd, caption, 256);
  if (length > 0) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    SelectedObject selected(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? look.Colour(SkinKey::ButtonText) : GetSysColor(COLOR_GRAYTEXT));
    RECT text = rc;
    if (pressed) OffsetRect(&text, 1, 1);
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (uiState & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
    DrawTextW(dc, caption, length, &text, format);
  }
}

// After the default handling, which may have painted the system's button directly.
void RepaintButtonNow(HWND hwnd, const LiveLook& look) {
  if (!IsWindow(hwnd) || !IsWindowVisible(hwnd)) return;
  Skinned* state = StateOf(hwnd);
  if (state == nullptr || !IsPushStyle(GetWindowLongW(hwnd, GWL_STYLE))) return;
  WindowDc dc(hwnd, WindowDc::Client);
  if (dc.Get() != nullptr) PaintButton(hwnd, dc.Get(), *state, look);
}

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Skinned& state, const LiveLook& look) {
  if (!IsPushStyle(GetWindowLongW(hwnd, GWL_STYLE))) return DefSubclassProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: {
      PaintDc paint(hwnd);
      if (paint.Get() != nullptr) PaintButton(hwnd, paint.Get(), state, look);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintButton(hwnd, reinterpret_cast<HDC>(wParam), state, look);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      if (!state.hot) {
        state.hot = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return DefSubclassProc(hwnd, msg, wParam, lParam);
    case WM_MOUSELEAVE:
      state.hot = false;
      [[fallthrough]];
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
    case BM_CLICK: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
      RepaintButtonNow(hwnd, look);
      return result;
    }
    default:
      return DefSubclassProc(hwnd, msg, wParam, lParam);
  }
}

// --- list views --------------------------------------------------------------------------------

void ApplyListColours(HWND hwnd, const LiveLook& look) {
  ListView_SetBkColor(hwnd, look.Colour(SkinKey::ListBack));
  ListView_SetTextBkColor(hwnd, look.Colour(SkinKey::ListBack));
  ListView_SetTextColor(hwnd, look.Colour(SkinKey::ListText));
  InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT HeaderCustomDraw(NMCUSTOMDRAW& draw, const LiveLook& look) {
  HWND header = draw.hdr.hwndFrom;
  HDC dc = draw.hdc;
  switch (draw.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT: {
      const RECT rc = draw.rc;
      const bool pressed = (draw.uItemState & CDIS_SELECTED) != 0;
      Fill(dc, rc, look.Colour(pressed ? SkinKey::ButtonPressed : SkinKey::HeaderFace));
      Fill(dc, RECT{rc.right - 1, rc.top, rc.right, rc.bottom}, look.Colour(SkinKey::ButtonBorder));
      Fill(dc, RECT{rc.left, rc.bottom - 1, rc.right, rc.bottom}, look.Colour(SkinKey::ButtonBorder));
      wchar_t text[256] = L"";
      HDITEMW item{};
      item.mask = HDI_TEXT | HDI_FORMAT;
      item.pszText = text;
      item.cchTextMax = 256;
      SendMessageW(header, HDM_GETITEMW, draw.dwItemSpec, reinterpret_cast<LPARAM>(&item));
      HFONT font = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
      HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, look.Colour(SkinKey::HeaderText));
      RECT textRect{rc.left + 6, rc.top, rc.right - 6, rc.bottom - 1};
      if (pressed) OffsetRect(&textRect, 1, 1);
      const UINT align = (item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT    ? DT_RIGHT
                         : (item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                                      : DT_LEFT;
      DrawTextW(dc, text, -1, &textRect, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
      if (oldFont != nullptr) SelectObject(dc, oldFont);
      return CDRF_SKIPDEFAULT;
    }
    case CDDS_POSTPAINT: {
      RECT client;
      GetClientRect(header, &client);
      const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
      RECT last{0, 0, 0, 0};
      if (count > 0) SendMessageW(header, HDM_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
      if (last.right < client.right) {
        Fill(dc, RECT{last.right, client.top, client.right, client.bottom}, look.Colour(SkinKey::HeaderFace));
        Fill(dc, RECT{last.right, client.bottom - 1, client.right, client.bottom},
             look.Colour(SkinKey::ButtonBorder));
      }
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

// The first client row below the list's header.
int BelowHeader(HWND hwnd, const RECT& client) {
  HWND header = ListView_GetHeader(hwnd);
  if (header == nullptr || !IsWindowVisible(header)) return client.top;
  RECT rc;
  GetWindowRect(header, &rc);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rc), 2);
  return rc.bottom;
}

// Grid lines in the skin's colour, drawn where the list view draws its own.
void PaintGrid(HWND hwnd, HDC dc, const LiveLook& look) {
  if ((GetWindowLongW(hwnd, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT ||
      (ListView_GetExtendedListViewStyle(hwnd) & LVS_EX_GRIDLINES) == 0) {
    return;
  }
  RECT client;
  GetClientRect(hwnd, &client);
  HWND header = ListView_GetHeader(hwnd);
  const int top = BelowHeader(hwnd, client);
  int itemHeight = 0;
  int firstTop = top;
  if (ListView_GetItemCount(hwnd) > 0) {
    RECT item;
    if (ListView_GetItemRect(hwnd, ListView_GetTopIndex(hwnd), &item, LVIR_BOUNDS)) {
      itemHeight = item.bottom - item.top;
      firstTop = item.top;
    }
  } else {
    const DWORD one = ListView_ApproximateViewRect(hwnd, -1, -1, 1);
    const DWORD two = ListView_ApproximateViewRect(hwnd, -1, -1, 2);
    itemHeight = HIWORD(two) - HIWORD(one);
  }

  SavedDcState saved(dc);
  IntersectClipRect(dc, client.left, top, client.right, client.bottom);
  const COLORREF colour = look.Colour(SkinKey::ListGrid);
  const int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int i = 0; i < columns; ++i) {
    RECT rc;
    if (!SendMessageW(header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc))) continue;
    MapWindowPoints(header, hwnd, reinterpret_cast<POINT*>(&rc), 2);
    Fill(dc, RECT{rc.right - 1, top, rc.right, client.bottom}, colour);
  }
  if (itemHeight > 0) {
    for (int y = firstTop - 1; y < client.bottom; y += itemHeight) {
      Fill(dc, RECT{client.left, y, client.right, y + 1}, colour);
    }
  }
}

// A skinned list's custom draw reaches its parent, answered here after the program's own: our
// grid lines go in last, into the DC the list paints (its back buffer when it is double-buffered),
// so no second pass after the list's paint reaches the screen while rows arrive.
LRESULT ListCustomDraw(HWND parent, UINT msg, WPARAM wParam, LPARAM lParam, const LiveLook& look) {
  const auto& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
  const LRESULT answer = DefSubclassProc(parent, msg, wParam, lParam);
  if (draw.dwDrawStage == CDDS_PREPAINT) return (answer & CDRF_SKIPDEFAULT) ? answer : answer | CDRF_NOTIFYPOSTPAINT;
  if (draw.dwDrawStage == CDDS_POSTPAINT) PaintGrid(draw.hdr.hwndFrom, draw.hdc, look);
  return answer;
}

LRESULT ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, const LiveLook& look) {
  switch (msg) {
    case WM_CREATE: {
      const LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
      if (result != -1) ApplyListColours(hwnd, look);
      return result;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header != nullptr && header->code == static_cast<UINT>(NM_CUSTOMDRAW) &&
          header->hwndFrom == ListView_GetHeader(hwnd)) {
        return HeaderCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lParam), look);
      }
      return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    default:
      return DefSubclassProc(hwnd, msg, wParam, lParam);
  }
}

LRESULT CALLBACK SkinProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
  auto* state = reinterpret_cast<Skinned*>(ref);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, SkinProc, kSubclassId);
    HeapDelete(state);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
  }
  const LiveLook* look = CurrentLook();
  if (look == nullptr || state == nullptr) return DefSubclassProc(hwnd, msg, wParam, lParam);
  switch (state->kind) {
    case Kind::Frame:
      return FrameProc(hwnd, msg, wParam, lParam, *state, *look);
    case Kind::Button:
      return ButtonProc(hwnd, msg, wParam, lParam, *state, *look);
    case Kind::ListView:
      return ListViewProc(hwnd, msg, wParam, lParam, *look);
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool IsSkinnedList(HWND hwnd) {
  const Skinned* state = StateOf(hwnd);
  return state != nullptr && state->kind == Kind::ListView;
}

void Apply(HWND hwnd, const Skinned& state, const LiveLook& look) {
  if (state.kind == Kind::ListView) ApplyListColours(hwnd, look);
}

}  // namespace

void SkinWindow(HWND hwnd, bool applyNow) {
  const LiveLook* look = CurrentLook();
  if (look == nullptr || !IsWindow(hwnd)) return;
  if (Skinned* existing = StateOf(hwnd)) {
    if (applyNow) Apply(hwnd, *existing, *look);
    return;
  }
  Kind kind;
  if (!KindOf(hwnd, kind)) return;
  auto* state = HeapNew<Skinned>();
  if (state == nullptr) return;
  state->kind = kind;
  if (kind == Kind::Frame) {
    state->active = applyNow && GetActiveWindow() == hwnd;
    // A frame made later gets this at WM_CREATE.
    if (applyNow) LeaveFrameToUs(hwnd);
  }
  if (!SetWindowSubclass(hwnd, SkinProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
    HeapDelete(state);
    return;
  }
  if (applyNow) Apply(hwnd, *state, *look);
}

void RepaintSkinned(HWND topLevel) {
  RedrawWindow(topLevel, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
