// The drive selector and the hidden drive list box.
#include "ui/drive_box.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "text/codepage.h"

namespace {

HWND CreateChild(const wchar_t* cls, DWORD style, HWND parent, int id, const RECT& rect) {
  return CreateWindowExW(0, cls, L"", WS_CHILD | WS_CLIPSIBLINGS | style, rect.left, rect.top,
                         rect.right - rect.left, rect.bottom - rect.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

// The box lists exactly these items, in this order.
bool Holds(HWND box, const std::vector<DriveBoxItem>& items) {
  if (SendMessageW(box, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(items.size())) return false;
  for (size_t i = 0; i < items.size(); ++i) {
    const std::wstring wanted = GbkToWide(items[i].text);
    if (SendMessageW(box, CB_GETLBTEXTLEN, i, 0) != static_cast<LRESULT>(wanted.size())) return false;
    std::wstring shown(wanted.size() + 1, L'\0');
    SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(shown.data()));
    if (shown.compare(0, wanted.size(), wanted) != 0) return false;
  }
  return true;
}

}  // namespace

HWND CreateDriveBox(HWND parent, int id, const RECT& rect) {
  // The height given to a drop-down list is that of the field and the dropped list together.
  return CreateChild(WC_COMBOBOXW, WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST, parent, id, rect);
}

void LoadDriveBox(ControlState& state, DriveProvider& drives) {
  int selected = -1;
  std::vector<DriveBoxItem> items = BuildDriveBoxItems(drives, selected);
  state.SetDriveBox(std::move(items), selected, drives.CurrentDriveLetter());
}

void RenderDriveBox(HWND box, ControlState& state) {
  const std::vector<DriveBoxItem> items = state.DriveBoxItems();
  if (!Holds(box, items)) {
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const DriveBoxItem& item : items) {
      std::wstring text = GbkToWide(item.text);
      auto index = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      if (index >= 0) SendMessageW(box, CB_SETITEMDATA, index, static_cast<LPARAM>(static_cast<unsigned char>(item.letter)));
    }
  }
  const int selection = state.DriveBoxSelection();
  if (SendMessageW(box, CB_GETCURSEL, 0, 0) != selection) SendMessageW(box, CB_SETCURSEL, selection, 0);
}

void TakeDriveBoxChoice(HWND driveBox, ControlState& state) {
  state.SelectDriveBoxItem(static_cast<int>(SendMessageW(driveBox, CB_GETCURSEL, 0, 0)));
}

HWND CreateDriveList(HWND parent, int id, const RECT& rect) {
  // Never shown; no LBS_SORT, so items keep the platform's order.
  return CreateChild(WC_LISTBOXW, WS_VSCROLL | LBS_NOINTEGRALHEIGHT, parent, id, rect);
}

void RenderDriveList(HWND driveList, ControlState& state) {
  int count = state.DriveItemCount();
  int shown = static_cast<int>(SendMessageW(driveList, LB_GETCOUNT, 0, 0));
  if (count < shown) {
    SendMessageW(driveList, LB_RESETCONTENT, 0, 0);
    shown = 0;
  }
  for (int i = shown; i < count; ++i) {
    std::wstring text = GbkToWide(state.DriveItemText(i));
    SendMessageW(driveList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  int selection = state.DriveSelection();
  if (SendMessageW(driveList, LB_GETCURSEL, 0, 0) != selection) SendMessageW(driveList, LB_SETCURSEL, selection, 0);
}
