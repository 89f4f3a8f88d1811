#pragma once
// DPI of windows and the DPI-aware forms of the system metrics, window-rectangle
// adjustment and monitor work area, each with a fallback for systems without them.
#include <windows.h>

inline constexpr UINT kDefaultDpi = 96;

// `value96` pixels at 96 DPI for `dpi`.
int ScaleToDpi(int value96, UINT dpi);

// The window's own DPI when the system has per-window DPI, else the screen's
// logical pixels per inch, else 96.
UINT WindowDpi(HWND window);

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
// The same lookup with the per-window function given (null when the system lacks it).
UINT WindowDpiUsing(HWND window, GetDpiForWindowFunction perWindowDpi);

int SystemMetricForDpi(int index, UINT dpi);

// Grows a client rectangle into the window rectangle for the style at `dpi`
// (no menu).
bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);

// The work area of the window's monitor (else the desktop work area, else the
// screen), inset by 10 pixels on every side when there is room for it.
RECT MonitorWorkArea(HWND window, UINT dpi);
