#include "ui/dialogs/dialog_geometry.h"

#include <algorithm>

#include "ui/drawing/dpi_scaling.h"

RECT ChildRect(HWND parent, int controlId) {
    RECT rect{};
    const HWND child = ::GetDlgItem(parent, controlId);
    if (!child || !::GetWindowRect(child, &rect)) return {};
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void MoveChild(HWND parent, int controlId, const RECT& rect) {
    if (const HWND child = ::GetDlgItem(parent, controlId))
        ::SetWindowPos(child, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT ScaleRect(const RECT& rect, int numerator, int denominator) {
    return {::MulDiv(rect.left, numerator, denominator), ::MulDiv(rect.top, numerator, denominator),
            ::MulDiv(rect.right, numerator, denominator), ::MulDiv(rect.bottom, numerator, denominator)};
}

void CentreInside(HWND window, const RECT& over, const RECT& area) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const int width = std::min<int>(rect.right - rect.left, area.right - area.left);
    const int height = std::min<int>(rect.bottom - rect.top, area.bottom - area.top);
    int left = over.left + (over.right - over.left - width) / 2;
    int top = over.top + (over.bottom - over.top - height) / 2;
    left = std::clamp<int>(left, area.left, area.right - width);
    top = std::clamp<int>(top, area.top, area.bottom - height);
    ::SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOverOwner(HWND window, HWND owner) {
    const HWND reference = owner ? owner : window;
    const RECT area = MonitorWorkArea(reference, WindowDpi(window));
    RECT over = area;
    if (owner) ::GetWindowRect(owner, &over);
    CentreInside(window, over, area);
}
