#include "ui/drawing/badge.h"

#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/rounded_shapes.h"
#include "ui/drawing/solid_fill.h"
#include "ui/drawing/text_line.h"

void DrawBadge(HDC dc, const RECT& rect, std::wstring_view text, HFONT font, COLORREF behind, UINT dpi) {
    FillSolidRect(dc, rect, behind);
    DrawRoundedRect(dc, rect, kColorAccentLight, kColorAccentLight, kColorAccent, ScaleToDpi(5, dpi));
    // Keeps a shortened text off the rounded border.
    RECT box = rect;
    ::InflateRect(&box, -ScaleToDpi(3, dpi), 0);
    const TextStyleScope style(dc, font, kColorAccent);
    DrawTextLine(dc, text, box, DT_CENTER);
}
