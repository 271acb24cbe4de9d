// The drive selector and the hidden drive list box.
#include "ui/drive_box.h"

#include <commctrl.h>

#include <string>

#include "text/codepage.h"

namespace {

HWND CreateChild(const wchar_t* cls, DWORD style, HWND parent, int id, const RECT& rect) {
  return CreateWindowExW(0, cls, L"", WS_CHILD | WS_CLIPSIBLINGS | style, rect.left, rect.top,
                         rect.right - rect.left, rect.bottom - rect.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

HWND CreateDriveBox(HWND parent, int id, const RECT& rect, ControlState& state, DriveProvider& drives) {
  // The height given to a drop-down list is that of the field and the dropped list together.
  HWND box = CreateChild(WC_COMBOBOXW, WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST, parent, id, rect);
  if (!box) return nullptr;
  int selected = -1;
  std::vector<DriveBoxItem> items = BuildDriveBoxItems(drives, selected);
  for (const DriveBoxItem& item : items) {
    std::wstring text = GbkToWide(item.text);
    auto index = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) SendMessageW(box, CB_SETITEMDATA, index, static_cast<LPARAM>(static_cast<unsigned char>(item.letter)));
  }
  SendMessageW(box, CB_SETCURSEL, selected, 0);
  state.SetDriveBox(std::move(items), selected, drives.CurrentDriveLetter());
  return box;
}

void TakeDriveBoxChoice(HWND driveBox, ControlState& state) {
  int chosen = static_cast<int>(SendMessageW(driveBox, CB_GETCURSEL, 0, 0));
  if (chosen != state.DriveBoxSelection()) state.SelectDriveBoxItem(chosen);
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
