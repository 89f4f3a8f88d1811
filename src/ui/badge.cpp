#include "ui/badge.h"

#include "ui/dpi_scaling.h"
#include "ui/palette.h"
#include "ui/rounded_shapes.h"
#include "ui/solid_fill.h"
#include "ui/text_line.h"

void DrawBadge(HDC dc, const RECT& rect, std::wstring_view text, HFONT font, COLORREF behind, UINT dpi) {
    FillSolidRect(dc, rect, behind);
    DrawRoundedRect(dc, rect, kColorAccentLight, kColorAccentLight, kColorAccent, ScaleToDpi(5, dpi));
    // Keeps a shortened text off the rounded border.
    RECT box = rect;
    ::InflateRect(&box, -ScaleToDpi(3, dpi), 0);
    const TextStyleScope style(dc, font, kColorAccent);
    DrawTextLine(dc, text, box, DT_CENTER);
}
