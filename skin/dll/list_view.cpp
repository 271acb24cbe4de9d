// List views: the skin's colours, the header drawn by us through its custom draw, and grid lines
// in the skin's colour.
#include "skin/dll/painter.h"

namespace {

// Its own font when it has one; otherwise the DC's stays.
HGDIOBJ HeaderFont(HWND header, HDC dc) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
  return font != nullptr ? static_cast<HGDIOBJ>(font) : GetCurrentObject(dc, OBJ_FONT);
}

LRESULT PaintHeaderItem(const NMCUSTOMDRAW& draw, const LiveLook& look) {
  HWND header = draw.hdr.hwndFrom;
  HDC dc = draw.hdc;
  const RECT rc = draw.rc;
  const bool pressed = (draw.uItemState & CDIS_SELECTED) != 0;
  const UINT dpi = DpiForWindow(header);
  const int line = ScaleForDpi(kLine, dpi);
  Fill(dc, rc, look.Colour(pressed ? SkinKey::ButtonPressed : SkinKey::HeaderFace));
  Fill(dc, RECT{rc.right - line, rc.top, rc.right, rc.bottom}, look.Colour(SkinKey::ButtonBorder));
  Fill(dc, RECT{rc.left, rc.bottom - line, rc.right, rc.bottom}, look.Colour(SkinKey::ButtonBorder));
  wchar_t text[256] = L"";
  HDITEMW item{};
  item.mask = HDI_TEXT | HDI_FORMAT;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(header, HDM_GETITEMW, draw.dwItemSpec, reinterpret_cast<LPARAM>(&item));
  SelectedObject selected(dc, HeaderFont(header, dc));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, look.Colour(SkinKey::HeaderText));
  const int margin = ScaleForDpi(kHeaderTextMargin, dpi);
  RECT textRect{rc.left + margin, rc.top, rc.right - margin, rc.bottom - line};
  const int shift = ScaleForDpi(kPressedShift, dpi);
  if (pressed) OffsetRect(&textRect, shift, shift);
  const UINT align = (item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT    ? DT_RIGHT
                     : (item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                                  : DT_LEFT;
  DrawTextW(dc, text, -1, &textRect, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  return CDRF_SKIPDEFAULT;
}

// The header's face continues right of its last column.
LRESULT PaintHeaderRest(const NMCUSTOMDRAW& draw, const LiveLook& look) {
  HWND header = draw.hdr.hwndFrom;
  RECT client;
  GetClientRect(header, &client);
  const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  RECT last{0, 0, 0, 0};
  if (count > 0) SendMessageW(header, HDM_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
  if (last.right < client.right) {
    const int line = ScaleForDpi(kLine, DpiForWindow(header));
    Fill(draw.hdc, RECT{last.right, client.top, client.right, client.bottom}, look.Colour(SkinKey::HeaderFace));
    Fill(draw.hdc, RECT{last.right, client.bottom - line, client.right, client.bottom},
         look.Colour(SkinKey::ButtonBorder));
  }
  return CDRF_DODEFAULT;
}

LRESULT HeaderCustomDraw(const NMCUSTOMDRAW& draw, const LiveLook& look) {
  switch (draw.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT: return PaintHeaderItem(draw, look);
    case CDDS_POSTPAINT: return PaintHeaderRest(draw, look);
    default: return CDRF_DODEFAULT;
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

// Where the rows begin and their height (0: not known); an empty list asks for the height it
// would give one more row.
void RowsOf(HWND hwnd, int& firstTop, int& itemHeight) {
  itemHeight = 0;
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
  int firstTop = top;
  int itemHeight = 0;
  RowsOf(hwnd, firstTop, itemHeight);

  SavedDcState saved(dc);
  IntersectClipRect(dc, client.left, top, client.right, client.bottom);
  const COLORREF colour = look.Colour(SkinKey::ListGrid);
  const int line = ScaleForDpi(kLine, DpiForWindow(hwnd));
  const int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int i = 0; i < columns; ++i) {
    RECT rc;
    if (!SendMessageW(header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc))) continue;
    MapWindowPoints(header, hwnd, reinterpret_cast<POINT*>(&rc), 2);
    Fill(dc, RECT{rc.right - line, top, rc.right, client.bottom}, colour);
  }
  if (itemHeight > 0) {
    for (int y = firstTop - line; y < client.bottom; y += itemHeight) {
      Fill(dc, RECT{client.left, y, client.right, y + line}, colour);
    }
  }
}

LRESULT OnCreate(const Message& m, const LiveLook& look) {
  const LRESULT result = m.Default();
  if (result != -1) ApplyListColours(m.hwnd, look);
  return result;
}

// The header's custom draw reaches the list, its parent.
LRESULT OnNotify(const Message& m, const LiveLook& look) {
  auto* header = reinterpret_cast<NMHDR*>(m.lParam);
  if (header != nullptr && header->code == static_cast<UINT>(NM_CUSTOMDRAW) &&
      header->hwndFrom == ListView_GetHeader(m.hwnd)) {
    return HeaderCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(m.lParam), look);
  }
  return m.Default();
}

}  // namespace

bool IsSkinnedList(HWND hwnd) {
  const Skinned* state = StateOf(hwnd);
  return state != nullptr && state->kind == SkinnedKind::ListView;
}

void ApplyListColours(HWND hwnd, const LiveLook& look) {
  // In high contrast the system's pair, as the list has them before we set ours.
  const bool system = g_process.highContrast;
  const COLORREF back = system ? GetSysColor(COLOR_WINDOW) : look.Colour(SkinKey::ListBack);
  ListView_SetBkColor(hwnd, back);
  ListView_SetTextBkColor(hwnd, back);
  ListView_SetTextColor(hwnd, system ? GetSysColor(COLOR_WINDOWTEXT) : look.Colour(SkinKey::ListText));
  InvalidateRect(hwnd, nullptr, TRUE);
}

// Answered after the program's own: our grid lines go in last, into the DC the list paints (its
// back buffer when it is double-buffered), so no second pass after the list's paint reaches the
// screen while rows arrive.
LRESULT ListCustomDraw(const Message& m, const LiveLook& look) {
  const auto& draw = *reinterpret_cast<const NMCUSTOMDRAW*>(m.lParam);
  const LRESULT answer = m.Default();
  if (draw.dwDrawStage == CDDS_PREPAINT) return (answer & CDRF_SKIPDEFAULT) ? answer : answer | CDRF_NOTIFYPOSTPAINT;
  if (draw.dwDrawStage == CDDS_POSTPAINT) PaintGrid(draw.hdr.hwndFrom, draw.hdc, look);
  return answer;
}

LRESULT ListViewProc(const Message& m, const LiveLook& look) {
  switch (m.msg) {
    case WM_CREATE: return OnCreate(m, look);
    case WM_NOTIFY: return OnNotify(m, look);
    default: return m.Default();
  }
}
