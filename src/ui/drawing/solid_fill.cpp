#include "ui/drawing/solid_fill.h"

void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
    const COLORREF previous = ::SetDCBrushColor(dc, colour);
    ::FillRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::SetDCBrushColor(dc, previous);
}

HBRUSH ControlColorBrush(HDC dc, COLORREF text, COLORREF background, bool transparent) {
    ::SetTextColor(dc, text);
    ::SetBkColor(dc, background);
    ::SetBkMode(dc, transparent ? TRANSPARENT : OPAQUE);
    // The stock DC brush paints in the colour set on this device context, which is
    // the one the control fills its background with.
    ::SetDCBrushColor(dc, background);
    return static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
}
