#include "ui/drawing/dpi_scaling.h"

#include "ui/drawing/gdi_handles.h"
#include "core/system_function.h"

namespace {

HMODULE User32() { return ::GetModuleHandleW(L"user32.dll"); }

// Insets a rectangle by `inset` on every side when it is larger than twice that.
RECT InsetWhenRoomy(RECT area, int inset) {
    if (area.right - area.left > 2 * inset && area.bottom - area.top > 2 * inset)
        ::InflateRect(&area, -inset, -inset);
    return area;
}

}  // namespace

int ScaleToDpi(int value96, UINT dpi) {
    return ::MulDiv(value96, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
}

UINT WindowDpiUsing(HWND window, GetDpiForWindowFunction perWindowDpi) {
    // The per-window function returns 0 for a window it does not know.
    if (perWindowDpi && window) {
        if (const UINT dpi = perWindowDpi(window)) return dpi;
    }
    if (const WindowDC dc(window); dc) {
        const int logPixels = ::GetDeviceCaps(dc.get(), LOGPIXELSY);
        if (logPixels > 0) return static_cast<UINT>(logPixels);
    }
    return kDefaultDpi;
}

UINT WindowDpi(HWND window) {
    static const auto perWindowDpi = LookUpFunction<GetDpiForWindowFunction>(User32(), "GetDpiForWindow");
    return WindowDpiUsing(window, perWindowDpi);
}

int SystemMetricForDpi(int index, UINT dpi) {
    static const auto forDpi = LookUpFunction<decltype(&::GetSystemMetricsForDpi)>(User32(), "GetSystemMetricsForDpi");
    return forDpi ? forDpi(index, dpi) : ::GetSystemMetrics(index);
}

bool AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) {
    static const auto forDpi =
        LookUpFunction<decltype(&::AdjustWindowRectExForDpi)>(User32(), "AdjustWindowRectExForDpi");
    if (forDpi) return forDpi(&rect, style, FALSE, exStyle, dpi) != FALSE;
    return ::AdjustWindowRectEx(&rect, style, FALSE, exStyle) != FALSE;
}

RECT MonitorWorkArea(HWND window, UINT dpi) {
    RECT area{};
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (const HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        monitor && ::GetMonitorInfoW(monitor, &info)) {
        area = info.rcWork;
    } else if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    }
    return InsetWhenRoomy(area, ScaleToDpi(10, dpi));
}
