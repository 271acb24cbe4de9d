// Display scale: everything is laid out at 96 DPI and drawn at value * DPI / 96 (ScaleForDpi, the
// one rule). The per-monitor calls of Windows 10 are looked up at run time; on Windows 7 and 8
// each falls back to the system's DPI. Header-only and free of the C++ runtime, so Skin.dll uses
// it too.
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

// The DPI the system fonts and metrics are made for (the primary monitor's when the user signed in).
inline UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

inline UINT DpiForWindow(HWND hwnd) {
  if (auto getDpi = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow")) {
    if (const UINT dpi = getDpi(hwnd)) return dpi;
  }
  return SystemDpi();
}

// A system metric (SM_*) at a DPI; without the call, the system's value carried over to it.
inline int SystemMetricForDpi(int index, UINT dpi) {
  if (auto metric = User32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi")) return metric(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

// The caption and menu fonts and sizes at a DPI; without the call, the system's (its DPI is then
// the only one a window gets from DpiForWindow).
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
