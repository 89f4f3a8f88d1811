#include "ui/drawing/segmented_control.h"

#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/rounded_shapes.h"
#include "ui/drawing/solid_fill.h"
#include "ui/drawing/text_line.h"

namespace {

COLORREF SegmentTextColour(const SegmentState& state) {
    if (state.Selected) return kColorStripSelectedText;
    return state.Disabled ? kColorStripDisabled : kColorStripText;
}

// The bar under the selected segment stays 2 pixels thin until scaling makes it 3.
int AccentBarHeight(UINT dpi) {
    const int scaled = ScaleToDpi(2, dpi);
    return scaled >= 3 ? scaled : 2;
}

}  // namespace

void DrawSegmentStrip(HDC dc, const RECT& strip, UINT dpi) {
    DrawRoundedRect(dc, strip, kColorStrip, kColorStrip, kColorStrip, ScaleToDpi(12, dpi));
}

void DrawSegment(HDC dc, const RECT& segment, std::wstring_view text, HFONT font, const SegmentState& state,
                 UINT dpi) {
    FillSolidRect(dc, segment, kColorStrip);
    const int onePixel = ScaleToDpi(1, dpi);
    if (state.Selected || (state.Hovered && !state.Disabled)) {
        const COLORREF fill = state.Selected ? kColorStripSelected : kColorStripHover;
        DrawRoundedRect(dc, {segment.left + onePixel, segment.top, segment.right - onePixel, segment.bottom}, fill,
                        fill, fill, ScaleToDpi(8, dpi));
    }

    {
        const TextStyleScope style(dc, font, SegmentTextColour(state));
        DrawCaptionLine(dc, text, segment, DT_CENTER, !state.HideAccessKey);
    }

    if (state.Selected) {
        const int inside = ScaleToDpi(8, dpi);
        FillSolidRect(dc, {segment.left + inside, segment.bottom - AccentBarHeight(dpi), segment.right - inside,
                           segment.bottom},
                      kColorStripAccent);
    }
    if (state.Focused) {
        RECT ring = segment;
        ::InflateRect(&ring, -onePixel, -onePixel);
        DrawRoundedOutline(dc, ring, kColorStripAccent, ScaleToDpi(6, dpi));
    }
}
