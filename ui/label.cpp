// The label window class. Labels overlap (ScoreLabel and VerdictLabel), so each one paints the
// parent's background and then every label caption that falls inside it: the overlap looks the
// same whichever label is on top.
#include "ui/label.h"

#include <algorithm>
#include <vector>

#include "win/gdi_owner.h"

namespace {

constexpr wchar_t kLabelClass[] = L"KevuLabel";
constexpr int kLookSlot = 0;
constexpr int kFontSlot = sizeof(LONG_PTR);
// How far right and down the effect's copy of the caption lies, at 96 DPI.
constexpr int kShadowOffset = 2;
constexpr int kLightEdgeOffset = 1;
// What the system's Static class answers to OBJID_QUERYCLASSNAMEIDX.
constexpr LRESULT kStaticClassIndex = 65536 + 3;
ATOM labelAtom = 0;

// Every label of the process with its rectangle in its parent and its caption, kept as they change:
// a caption update repaints the labels it overlaps without asking the system for any of them.
// The window's own thread only.
struct LabelEntry {
  HWND hwnd;
  HWND parent;
  RECT rect;
  std::wstring text;
};

std::vector<LabelEntry>& Labels() {
  static std::vector<LabelEntry> labels;
  return labels;
}

LabelEntry* EntryOf(HWND label) {
  for (LabelEntry& entry : Labels())
    if (entry.hwnd == label) return &entry;
  return nullptr;
}

const LabelLook* LookOf(HWND label) {
  return reinterpret_cast<const LabelLook*>(GetWindowLongPtrW(label, kLookSlot));
}

HFONT FontOf(HWND label) {
  const LabelLook* look = LookOf(label);
  if (look && look->font) return look->font;
  auto font = reinterpret_cast<HFONT>(GetWindowLongPtrW(label, kFontSlot));
  return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void DrawCaption(HDC dc, const std::wstring& text, RECT rect, int dx, int dy, COLORREF color) {
  constexpr UINT kFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;
  OffsetRect(&rect, dx, dy);
  SetTextColor(dc, color);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, kFormat);
}

// Draws one label's caption at its place in parent coordinates, clipped to its rectangle.
void DrawLabel(HDC dc, const LabelEntry& entry) {
  const std::wstring& text = entry.text;
  if (text.empty()) return;
  const HWND label = entry.hwnd;
  const RECT& rect = entry.rect;
  const LabelLook* look = LookOf(label);
  SavedDcState saved(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  SelectObject(dc, FontOf(label));
  SetBkMode(dc, TRANSPARENT);
  COLORREF color = look ? look->color : RGB(0, 0, 0);
  LabelEffect effect = look ? look->effect : LabelEffect::None;
  const UINT dpi = look ? look->dpi : kBaseDpi;
  if (effect == LabelEffect::Shadow) {
    const int d = ScaleForDpi(kShadowOffset, dpi);
    DrawCaption(dc, text, rect, d, d, RGB(0, 0, 0));
  }
  if (effect == LabelEffect::LightEdge) {
    const int d = ScaleForDpi(kLightEdgeOffset, dpi);
    DrawCaption(dc, text, rect, d, d, RGB(255, 255, 255));
  }
  DrawCaption(dc, text, rect, 0, 0, color);
}

void PaintLabel(HWND label, HDC target) {
  const LabelEntry* me = EntryOf(label);
  if (me == nullptr) return;
  const HWND parent = me->parent;
  const RECT self = me->rect;
  const int width = self.right - self.left, height = self.bottom - self.top;
  if (width <= 0 || height <= 0) return;

  MemoryDc memory(target);
  GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(target, width, height));
  if (memory.Get() == nullptr || !bitmap) return;
  SelectedObject selected(memory.Get(), bitmap.Get());
  HDC dc = memory.Get();
  // Draw in the parent's coordinates so its background (or a skin's face) lines up.
  SetViewportOrgEx(dc, -self.left, -self.top, nullptr);
  if (!SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0)) {
    FillRect(dc, &self, GetSysColorBrush(COLOR_3DFACE));
  }
  // A skin that draws the face in WM_PAINT answers this one.
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  RECT common;
  for (const LabelEntry& other : Labels())
    if (other.parent == parent && IntersectRect(&common, &other.rect, &self)) DrawLabel(dc, other);
  BitBlt(target, 0, 0, width, height, dc, self.left, self.top, SRCCOPY);
}

LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      const auto& create = *reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(label, kLookSlot, reinterpret_cast<LONG_PTR>(create.lpCreateParams));
      Labels().push_back({label, create.hwndParent, RECT{create.x, create.y, create.x + create.cx, create.y + create.cy},
                          create.lpszName != nullptr ? std::wstring(create.lpszName) : std::wstring()});
      break;
    }
    case WM_NCDESTROY: {
      std::vector<LabelEntry>& labels = Labels();
      labels.erase(std::remove_if(labels.begin(), labels.end(), [&](const LabelEntry& e) { return e.hwnd == label; }),
                   labels.end());
      break;
    }
    case WM_WINDOWPOSCHANGED: {
      const auto& pos = *reinterpret_cast<const WINDOWPOS*>(lParam);
      LabelEntry* entry = EntryOf(label);
      if (entry != nullptr && (pos.flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
        RECT rect;
        GetWindowRect(label, &rect);
        MapWindowPoints(HWND_DESKTOP, entry->parent, reinterpret_cast<POINT*>(&rect), 2);
        InvalidateLabel(label);  // where it was
        entry->rect = rect;
        InvalidateLabel(label);  // where it is
      }
      break;
    }
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(label, message, wParam, lParam);
      if (LabelEntry* entry = EntryOf(label)) {
        const auto* text = reinterpret_cast<const wchar_t*>(lParam);
        entry->text = text != nullptr ? text : L"";
      }
      InvalidateLabel(label);
      return result;
    }
    case WM_SETFONT:
      SetWindowLongPtrW(label, kFontSlot, static_cast<LONG_PTR>(wParam));
      if (LOWORD(lParam)) InvalidateLabel(label);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(FontOf(label));
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_GETOBJECT:
      // oleacc then serves the label as static text named by its window text. A LONG identifier:
      // compared as a DWORD, it is the same whether or not 64-bit Windows sign-extended it.
      if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_QUERYCLASSNAMEIDX)) return kStaticClassIndex;
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINTCLIENT:
      PaintLabel(label, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_PAINT: {
      PaintDc paint(label);
      PaintLabel(label, paint.Get());
      return 0;
    }
  }
  return DefWindowProcW(label, message, wParam, lParam);
}

}  // namespace

bool RegisterLabelClass(HINSTANCE instance) {
  if (labelAtom) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = LabelProc;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kLabelClass;
  labelAtom = RegisterClassExW(&wc);
  return labelAtom != 0;
}

HWND CreateLabel(HWND parent, int id, const RECT& rect, const std::wstring& text, const LabelLook* look) {
  return CreateWindowExW(0, kLabelClass, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left,
                         rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                         const_cast<LabelLook*>(look));
}

void InvalidateLabel(HWND label) {
  const LabelEntry* me = EntryOf(label);
  if (me == nullptr) return;
  RECT common;
  for (const LabelEntry& other : Labels()) {
    if (other.parent != me->parent || !IntersectRect(&common, &other.rect, &me->rect)) continue;
    OffsetRect(&common, -other.rect.left, -other.rect.top);
    InvalidateRect(other.hwnd, &common, FALSE);
  }
}
