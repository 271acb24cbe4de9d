// DriveBox (the fixed disks to choose from) and DriveList (the hidden store of every drive root).
#pragma once

#include <windows.h>

#include "scan/drive_box_items.h"
#include "state/control_state.h"

// Creates the drop-down, fills it with the fixed disks of drives and hands the same items to state.
HWND CreateDriveBox(HWND parent, int id, const RECT& rect, ControlState& state, DriveProvider& drives);
// The user's choice (also one made with CB_SETCURSEL, which sends no notification) into the state.
void TakeDriveBoxChoice(HWND driveBox, ControlState& state);

HWND CreateDriveList(HWND parent, int id, const RECT& rect);
// Appends the items the state has and the list box lacks, and copies the selection.
void RenderDriveList(HWND driveList, ControlState& state);
