#include "ui/dialogs/dialog_surface.h"

#include "ui/drawing/palette.h"
#include "ui/drawing/solid_fill.h"
#include "ui/drawing/window_bands.h"

void PaintDialogSurface(HWND dialog, int footerTop, const std::function<void(HDC)>& extra) {
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(dialog, &paint);
    RECT client{};
    ::GetClientRect(dialog, &client);
    FillSolidRect(dc, client, kColorWindow);
    if (extra) extra(dc);
    DrawFooterBand(dc, {0, footerTop, client.right, client.bottom});
    ::EndPaint(dialog, &paint);
}

INT_PTR TextOnWhite(WPARAM dc) {
    return reinterpret_cast<INT_PTR>(ControlColorBrush(reinterpret_cast<HDC>(dc), kColorText, kColorWhite, false));
}
