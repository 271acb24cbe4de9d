// SuspectList: the list view only shows what ControlState holds; it asks for cell texts
// (LVN_GETDISPINFOW) as rows are painted, so a long scan costs the UI nothing per row.
#include "ui/result_list.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "text/codepage.h"
#include "ui/ui_text.h"
#include "win/dpi.h"

namespace {

struct ColumnLayout {
  const char* header;
  int width;  // at 96 DPI
};
// By Column.
constexpr ColumnLayout kColumns[kColumnCount] = {{"文件名", 150}, {"路径", 250}, {"文件大小", 150}, {"类型", 150}};

constexpr UINT_PTR kListSubclassId = 1;

int ListSelection(HWND list) { return ListView_GetNextItem(list, -1, LVNI_SELECTED); }

}  // namespace

HWND CreateSuspectList(HWND parent, int id, const RECT& rect, UINT dpi) {
  constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_OWNERDATA |
                           LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
  HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", kStyle, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (!list) return nullptr;
  constexpr DWORD kExStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
  ListView_SetExtendedListViewStyleEx(list, kExStyle, kExStyle);
  int index = 0;
  for (const ColumnLayout& layout : kColumns) {
    std::wstring header = UiText(layout.header);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = ScaleForDpi(layout.width, dpi);
    column.pszText = header.data();
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
    ++index;
  }
  return list;
}

void SizeSuspectListColumns(HWND list, UINT dpi) {
  for (int index = 0; index < kColumnCount; ++index)
    ListView_SetColumnWidth(list, index, ScaleForDpi(kColumns[index].width, dpi));
}

void SuspectListView::Attach(HWND list, ControlState* state) {
  list_ = list;
  state_ = state;
  SetWindowSubclass(list_, ListProc, kListSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK SuspectListView::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      if (reinterpret_cast<SuspectListView*>(self)->OnMouseButton(message, wParam, lParam)) return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(list, ListProc, kListSubclassId);
      break;
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

// The list view drops its selection on a press on its empty area; there the selection stays, so
// a double-click below the rows still means the selected row. True when the press is handled here.
bool SuspectListView::OnMouseButton(UINT message, WPARAM wParam, LPARAM lParam) {
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  int row = RowAt(at);
  if (message == WM_LBUTTONDOWN) pressedRow_ = row;
  if (row >= 0) return false;
  SetFocus(list_);
  if (message == WM_LBUTTONDBLCLK) {
    // Reported as the list view reports one on a row.
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list_;
    click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list_));
    click.hdr.code = NM_DBLCLK;
    click.iItem = -1;
    click.ptAction = at;
    if (wParam & MK_CONTROL) click.uKeyFlags |= LVKF_CONTROL;
    if (wParam & MK_SHIFT) click.uKeyFlags |= LVKF_SHIFT;
    if (GetKeyState(VK_MENU) < 0) click.uKeyFlags |= LVKF_ALT;
    SendMessageW(GetParent(list_), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
  }
  return true;
}

// Rows span all columns (the list selects whole rows); anywhere else is the empty area.
int SuspectListView::RowAt(POINT at) const {
  int count = ListView_GetItemCount(list_);
  int top = ListView_GetTopIndex(list_);
  RECT first{};
  if (count <= 0 || top >= count || !ListView_GetItemRect(list_, top, &first, LVIR_BOUNDS)) return -1;
  int height = first.bottom - first.top;
  if (height <= 0 || at.y < first.top) return -1;
  int row = top + (at.y - first.top) / height;
  RECT bounds{};
  if (row >= count || !ListView_GetItemRect(list_, row, &bounds, LVIR_BOUNDS) || !PtInRect(&bounds, at)) return -1;
  return row;
}

int SuspectListView::DoubleClickedRow(POINT at) const {
  int row = RowAt(at);
  if (row < 0) return -1;
  // Rows may have scrolled under the pointer between the two clicks (the scan reveals new rows).
  return pressedRow_ >= 0 && pressedRow_ < ListView_GetItemCount(list_) ? pressedRow_ : row;
}

bool SuspectListView::OnNotify(const NMHDR& header, LRESULT& result) {
  if (!list_ || header.hwndFrom != list_) return false;
  result = 0;
  switch (header.code) {
    case LVN_GETDISPINFOW:
      AnswerDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
      return true;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
      if (!rendering_) TakeSelectionFromList();
      return true;
  }
  return false;
}

void SuspectListView::AnswerDisplayInfo(NMLVDISPINFOW& info) {
  LVITEMW& item = info.item;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  std::wstring text;
  const auto column = static_cast<Column>(item.iSubItem);
  const bool pathColumn = column == Column::Name || column == Column::Directory;
  NativeString native = pathColumn ? state_->RowNativePath(item.iItem) : NativeString();
  if (!native.empty()) {
    // A name GBK cannot hold: show the real name and folder from the platform's path.
    size_t cut = native.find_last_of(L'\\');
    size_t split = (cut == NativeString::npos) ? 0 : cut + 1;
    text = (column == Column::Name) ? native.substr(split) : native.substr(0, split);
  } else {
    text = GbkToWide(state_->CellText(item.iItem, column));
  }
  size_t count = std::min<size_t>(text.size(), static_cast<size_t>(item.cchTextMax) - 1);
  std::copy_n(text.data(), count, item.pszText);
  item.pszText[count] = L'\0';
}

void SuspectListView::TakeSelectionFromList() {
  int shown = ListSelection(list_);
  if (shown != state_->Selection()) state_->SetSelection(shown);
}

void SuspectListView::RedrawVisibleRows(int first, int count) {
  if (count <= 0) return;
  int top = std::max(first, ListView_GetTopIndex(list_));
  int last = std::min(count - 1, top + ListView_GetCountPerPage(list_));
  if (top <= last) ListView_RedrawItems(list_, top, last);
}

bool SuspectListView::Grows(int rowCount) const { return rowCount > ListView_GetItemCount(list_); }

void SuspectListView::Render(int count, bool cleared) {
  rendering_ = true;
  int shown = ListView_GetItemCount(list_);
  if (count != shown) {
    // Growing must neither repaint everything nor move the view; shrinking (a clear) repaints all.
    DWORD flags = count > shown ? (LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL) : 0;
    ListView_SetItemCountEx(list_, count, flags);
  }
  // Rows are added whole: without a clear since, only the new ones are not on the screen.
  if (cleared) {
    RedrawVisibleRows(0, count);
  } else if (count > shown) {
    RedrawVisibleRows(shown, count);
  }
  rendering_ = false;
}

void SuspectListView::ShowSelection(bool revealRequested) {
  rendering_ = true;
  const int count = ListView_GetItemCount(list_);
  int wanted = state_->Selection();
  int current = ListSelection(list_);
  if (wanted != current && wanted < count) {
    if (current >= 0) ListView_SetItemState(list_, current, 0, LVIS_SELECTED);
    if (wanted >= 0) ListView_SetItemState(list_, wanted, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  if (revealRequested) {
    int row = state_->PendingRevealRow();
    if (row >= 0 && row < count) ListView_EnsureVisible(list_, row, FALSE);
  }
  rendering_ = false;
}
