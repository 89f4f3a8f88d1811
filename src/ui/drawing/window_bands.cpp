#include "ui/drawing/window_bands.h"

#include "ui/drawing/palette.h"
#include "ui/drawing/solid_fill.h"

void DrawHeaderBand(HDC dc, const RECT& band) {
    if (band.bottom <= band.top) return;
    FillSolidRect(dc, band, kColorBand);
    FillSolidRect(dc, {band.left, band.bottom - 1, band.right, band.bottom}, kColorBandLine);
}

void DrawFooterBand(HDC dc, const RECT& band) {
    if (band.bottom <= band.top) return;
    FillSolidRect(dc, band, kColorBand);
    FillSolidRect(dc, {band.left, band.top, band.right, band.top + 1}, kColorBandLine);
}
