// DriveBox (the fixed disks to choose from) and DriveList (the hidden store of every drive root),
// both rendered from ControlState.
#pragma once

#include <windows.h>

#include "platform/drive_provider.h"
#include "state/control_state.h"

HWND CreateDriveBox(HWND parent, int id, const RECT& rect);
// The fixed disks of drives, the current one chosen, into the state.
void LoadDriveBox(ControlState& state, DriveProvider& drives);
// Fills the box with the state's items when it holds others, and copies the state's choice.
void RenderDriveBox(HWND driveBox, ControlState& state);
// The user's choice (also one made with CB_SETCURSEL, which sends no notification) into the state.
void TakeDriveBoxChoice(HWND driveBox, ControlState& state);

HWND CreateDriveList(HWND parent, int id, const RECT& rect);
// Appends the items the state has and the list box lacks, and copies the selection.
void RenderDriveList(HWND driveList, ControlState& state);
