// MainWindow: creation, the event table and the message loop.
#pragma once

#include <windows.h>

#include <functional>

#include "scan/scan_context.h"
#include "state/control_state.h"

inline constexpr UINT kMsgStateChanged = WM_APP + 1;  // ControlState changed; render it

bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the visible window with all its controls; onCreated runs once they all exist,
// before the function returns. state is ctx's controls; both must outlive the window.
HWND CreateMainWindow(HINSTANCE instance, ControlState& state, ScanContext& ctx, std::function<void()> onCreated);
// Runs until the main window is destroyed. Tab and Shift+Tab walk the controls, Enter presses the
// focused button; Escape in the window or one of its controls closes it (a dropped-down DriveBox
// folds up first).
int RunMessageLoop(HWND mainWindow);
