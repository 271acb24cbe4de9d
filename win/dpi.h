// Display scale: everything is laid out at 96 DPI and drawn at value * DPI / 96 (ScaleForDpi, the
// one rule). The per-monitor calls of Windows 8.1 and 10 are looked up at run time; on Windows 7
// and 8 each falls back to the system's DPI. Header-only and free of the C++ runtime, so Skin.dll
// uses it too.
#pragma once

#include <windows.h>

inline constexpr UINT kBaseDpi = 96;

inline int ScaleForDpi(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), static_cast<int>(kBaseDpi)); }

// A function of user32 that older systems lack, or nullptr there.
template <typename Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)))
                           : nullptr;
}

// A function of a DLL of the system folder, loaded from there by its full path (never by bare
// name from the program's folder) and kept loaded; nullptr where either does not exist.
template <typename Fn>
Fn SystemLibraryFunction(const wchar_t* dll, const char* name) {
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 1 + static_cast<UINT>(lstrlenW(dll)) >= MAX_PATH) return nullptr;
  path[length] = L'\\';
  lstrcpyW(path + length + 1, dll);
  HMODULE module = GetModuleHandleW(path);
  if (module == nullptr) module = LoadLibraryW(path);
  return module != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                           : nullptr;
}

// The DPI the system fonts and metrics are made for (the primary monitor's when the user signed in).
inline UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

// GetDpiForWindow (Windows 10 1607); 0 where there is no such call.
inline UINT WindowDpiOf(HWND hwnd) {
  const auto getDpi = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  return getDpi != nullptr ? getDpi(hwnd) : 0;
}

// The effective DPI of the monitor the window is on (GetDpiForMonitor, shcore.dll, Windows 8.1);
// 0 where there is no such call.
inline UINT MonitorDpiOf(HWND hwnd) {
  using Fn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  const auto getDpi = SystemLibraryFunction<Fn>(L"shcore.dll", "GetDpiForMonitor");
  HMONITOR monitor = getDpi != nullptr ? MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST) : nullptr;
  UINT x = 0, y = 0;
  return monitor != nullptr && SUCCEEDED(getDpi(monitor, kEffectiveDpi, &x, &y)) ? x : 0;
}

// The window's own DPI, for its client area. Windows 8.1 and 10 before 1607 have no
// GetDpiForWindow: there the monitor's scale as set now, for the system DPI stays the one of
// sign-in; Windows 7 and 8 have only the system DPI.
inline UINT DpiForWindow(HWND hwnd) {
  if (const UINT dpi = WindowDpiOf(hwnd)) return dpi;
  if (const UINT dpi = MonitorDpiOf(hwnd)) return dpi;
  return SystemDpi();
}

// The DPI the system drew the window's frame and caption at: the window's from Windows 10 1607
// on, where frames scale with their monitor; before that the system's, whatever the monitor.
inline UINT FrameDpiForWindow(HWND hwnd) {
  const UINT dpi = WindowDpiOf(hwnd);
  return dpi != 0 ? dpi : SystemDpi();
}

// A system metric (SM_*) at a DPI; without the call, the system's value carried over to it.
inline int SystemMetricForDpi(int index, UINT dpi) {
  if (auto metric = User32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi")) return metric(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

// The caption and menu fonts and sizes at a DPI; without the call, the system's (its DPI is then
// the one a frame gets from FrameDpiForWindow).
inline bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi) {
  metrics = NONCLIENTMETRICSW{};
  metrics.cbSize = sizeof metrics;
  using Fn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  if (auto forDpi = User32Function<Fn>("SystemParametersInfoForDpi")) {
    return forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi) != FALSE;
  }
  return SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != FALSE;
}

// Called in WM_NCCREATE: on Windows 10 1607, where the manifest's per-monitor v2 is not known yet
// and per-monitor (v1) applies, the system then scales the frame and caption with the monitor.
// Per-monitor v2 does so anyway.
inline void EnableNonClientScaling(HWND hwnd) {
  if (auto enable = User32Function<BOOL(WINAPI*)(HWND)>("EnableNonClientDpiScaling")) enable(hwnd);
}
