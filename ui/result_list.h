// SuspectList: an owner-data report list view that shows the rows held by ControlState.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "state/control_state.h"

// Its columns as wide as laid out at 96 DPI, scaled to dpi.
HWND CreateSuspectList(HWND parent, int id, const RECT& rect, UINT dpi);
// The columns back to their widths at dpi (the user may have dragged them).
void SizeSuspectListColumns(HWND list, UINT dpi);

class SuspectListView {
 public:
  void Attach(HWND list, ControlState* state);
  HWND Window() const { return list_; }
  // Answers the list's WM_NOTIFY; false when the notification is not the list's concern.
  bool OnNotify(const NMHDR& header, LRESULT& result);
  // Brings the list up to rowCount rows of the state (counted with the labels' captions);
  // cleared: the rows were deleted since the last render, so none shown may still be right.
  void Render(int rowCount, bool cleared);
  // The state's selection, and its last reveal request when asked, within the rows listed.
  void ShowSelection(bool revealRequested);
  // The list counts fewer rows than rowCount.
  bool Grows(int rowCount) const;
  // The row the user sees selected becomes the state's selection (before a double-click is handled).
  void TakeSelectionFromList();
  // The row a double-click at this point opens: the row its first click pressed, or -1 when it
  // lands on the empty area (the selected row is meant).
  int DoubleClickedRow(POINT at) const;

 private:
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
  bool OnMouseButton(UINT message, WPARAM wParam, LPARAM lParam);
  int RowAt(POINT at) const;  // -1 on the empty area
  void AnswerDisplayInfo(NMLVDISPINFOW& info);
  void RedrawVisibleRows(int first, int count);

  HWND list_ = nullptr;
  ControlState* state_ = nullptr;
  bool rendering_ = false;  // our own state changes on the list are not the user's
  int pressedRow_ = -1;     // the row of the last left-button press
};
