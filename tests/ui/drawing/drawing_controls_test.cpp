// Owner-drawn buttons and segments drawn into a real DIB section: fill colours of
// every state, the focus ring, the pressed offset, the segment's fill, bar and ring.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/ui/drawing_canvas.h"
#include "ui/drawing/icon_glyphs.h"
#include "ui/drawing/owner_drawn_button.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/segmented_control.h"

namespace {

constexpr COLORREF kBehind = RGB(255, 0, 0);
constexpr RECT kButton{0, 0, 100, 30};
// The middle row 15 of 30 lies 15/29 of the way from the top colour to the bottom one.
constexpr double kMiddleRow = 15.0 / 29.0;

struct DrawnButton {
    explicit DrawnButton(const ButtonLook& look, const ButtonGlyph& glyph = {}, const wchar_t* text = L"")
        : canvas(kButton.right, kButton.bottom, RGB(0, 0, 255)) {
        DrawOwnerDrawnButton(canvas.Dc(), kButton, look, glyph, text, nullptr, 96);
    }
    DrawingCanvas canvas;
};

ButtonLook Look(ButtonKind kind, ButtonState state) { return {kind, state, kBehind, 10}; }

TEST(DrawingButton, FillOfEveryKindAndState) {
    struct Case {
        ButtonKind Kind;
        ButtonState State;
        COLORREF Top;
        COLORREF Bottom;
    };
    const Case cases[] = {
        {ButtonKind::Neutral, {}, RGB(249, 250, 250), RGB(229, 232, 233)},
        {ButtonKind::Neutral, {.Hovered = true}, RGB(250, 253, 255), kColorAccentLight},
        {ButtonKind::Neutral, {.Pressed = true}, RGB(221, 238, 247), RGB(210, 231, 242)},
        {ButtonKind::Primary, {}, RGB(250, 253, 255), kColorAccentLight},
        {ButtonKind::Danger, {}, kColorDanger, RGB(193, 44, 61)},
        {ButtonKind::Danger, {.Hovered = true}, RGB(216, 63, 79), RGB(193, 44, 61)},
        {ButtonKind::Danger, {.Hovered = true, .Pressed = true}, RGB(169, 36, 51), RGB(161, 34, 48)},
        {ButtonKind::Primary, {.Disabled = true, .Hovered = true}, kColorMuted, kColorMuted},
        {ButtonKind::Danger, {.Disabled = true}, kColorMuted, kColorMuted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << static_cast<int>(c.Kind) << " disabled " << c.State.Disabled
                                          << " hovered " << c.State.Hovered << " pressed " << c.State.Pressed);
        const DrawnButton button(Look(c.Kind, c.State));
        EXPECT_TRUE(ColourIs(button.canvas.At(50, 15), Between(c.Top, c.Bottom, kMiddleRow), 1));
        EXPECT_TRUE(ColourIs(button.canvas.At(0, 0), kBehind)) << "the corner shows what lies behind";
    }
    EXPECT_EQ(ButtonStateColours(ButtonKind::Primary, {}).Text, RGB(8, 82, 118));
}

TEST(DrawingButton, FocusRingOnlyWhenFocusedAndEnabled) {
    // The ring runs 2 pixels inside the edge; its left side crosses the middle row at x = 2.
    const COLORREF neutralMiddle = Between(RGB(249, 250, 250), RGB(229, 232, 233), kMiddleRow);
    EXPECT_TRUE(ColourIs(DrawnButton(Look(ButtonKind::Neutral, {})).canvas.At(2, 15), neutralMiddle, 1));
    EXPECT_TRUE(ColourIs(DrawnButton(Look(ButtonKind::Neutral, {.Focused = true})).canvas.At(2, 15), kColorFocus, 1));
    EXPECT_TRUE(ColourIs(DrawnButton(Look(ButtonKind::Danger, {.Focused = true})).canvas.At(2, 15), kColorWhite, 1));
    EXPECT_TRUE(ColourIs(DrawnButton(Look(ButtonKind::Neutral, {.Disabled = true, .Focused = true})).canvas.At(2, 15),
                         kColorMuted, 1));

    DRAWITEMSTRUCT item{};
    item.itemState = ODS_FOCUS;
    EXPECT_TRUE(ButtonStateFromDrawItem(item, false).Focused);
    item.itemState = ODS_FOCUS | ODS_NOFOCUSRECT;  // focus cues hidden
    EXPECT_FALSE(ButtonStateFromDrawItem(item, false).Focused);
    item.itemState = ODS_SELECTED | ODS_DISABLED;
    const ButtonState state = ButtonStateFromDrawItem(item, true);
    EXPECT_TRUE(state.Pressed && state.Disabled && state.Hovered);
}

// The rows and columns where a drawing with a glyph differs from the same button without it.
RECT GlyphBounds(const ButtonLook& look, const ButtonGlyph& glyph, const wchar_t* text) {
    const DrawnButton with(look, glyph, text);
    const DrawnButton without(look, {}, L"");
    RECT bounds{kButton.right, kButton.bottom, -1, -1};
    for (int y = 0; y < kButton.bottom; ++y) {
        for (int x = 0; x < kButton.right; ++x) {
            if (with.canvas.At(x, y) == without.canvas.At(x, y)) continue;
            bounds = {std::min<LONG>(bounds.left, x), std::min<LONG>(bounds.top, y), std::max<LONG>(bounds.right, x),
                      std::max<LONG>(bounds.bottom, y)};
        }
    }
    return bounds;
}

TEST(DrawingButton, GlyphCentredMovedWhenPressedAndLeftOutWithoutIconFont) {
    const ButtonGlyph cross = ButtonGlyph::FromLine(LineGlyph::Cross);
    const RECT released = GlyphBounds(Look(ButtonKind::Neutral, {}), cross, L"");
    const RECT pressed = GlyphBounds(Look(ButtonKind::Neutral, {.Pressed = true}), cross, L"");
    ASSERT_GE(released.right, released.left);
    // A glyph alone is a 16-pixel square in the middle of the content.
    EXPECT_NEAR((released.left + released.right) / 2.0, 50, 1.5);
    EXPECT_LE(released.right - released.left, 16);
    EXPECT_EQ(pressed.top, released.top + 1);
    EXPECT_EQ(pressed.left, released.left);
    // With a text the pair is centred: the glyph moves left.
    EXPECT_LT(GlyphBounds(Look(ButtonKind::Neutral, {}), cross, L"Close").left, released.left - 4);

    DrawingCanvas probe(4, 4, kBehind);
    if (OpenIconFont(probe.Dc(), 16, kGlyphRefresh)) GTEST_SKIP() << "this system has an icon font";
    // Without an icon font the button is the same as one without a glyph.
    const DrawnButton textOnly(Look(ButtonKind::Neutral, {}), {}, L"Refresh");
    const DrawnButton iconMissing(Look(ButtonKind::Neutral, {}), ButtonGlyph::FromIconFont(kGlyphRefresh), L"Refresh");
    for (int y = 0; y < kButton.bottom; ++y)
        for (int x = 0; x < kButton.right; ++x) ASSERT_EQ(textOnly.canvas.At(x, y), iconMissing.canvas.At(x, y));
}

TEST(DrawingSegment, FillAccentBarAndFocusRing) {
    constexpr RECT kSegment{0, 0, 80, 24};
    auto draw = [&](const SegmentState& state, UINT dpi, DrawingCanvas& canvas) {
        DrawSegment(canvas.Dc(), kSegment, L"", nullptr, state, dpi);
    };
    {
        DrawingCanvas canvas(80, 24, kBehind);
        draw({.Selected = true}, 96, canvas);
        EXPECT_TRUE(ColourIs(canvas.At(0, 12), kColorStrip)) << "the fill is inset 1 pixel";
        EXPECT_TRUE(ColourIs(canvas.At(4, 6), kColorStripSelected, 1));
        EXPECT_TRUE(ColourIs(canvas.At(40, 23), kColorStripAccent));
        EXPECT_TRUE(ColourIs(canvas.At(40, 22), kColorStripAccent));
        EXPECT_FALSE(ColourIs(canvas.At(40, 21), kColorStripAccent, 10)) << "2 pixels high at 96 DPI";
        EXPECT_FALSE(ColourIs(canvas.At(6, 23), kColorStripAccent, 10)) << "8 pixels in from the sides";
    }
    {
        DrawingCanvas canvas(80, 24, kBehind);
        draw({.Selected = true}, 192, canvas);
        EXPECT_TRUE(ColourIs(canvas.At(40, 20), kColorStripAccent)) << "4 pixels high at 192 DPI";
    }
    {
        DrawingCanvas hovered(80, 24, kBehind);
        DrawingCanvas hoveredDisabled(80, 24, kBehind);
        DrawingCanvas focused(80, 24, kBehind);
        draw({.Hovered = true}, 96, hovered);
        draw({.Hovered = true, .Disabled = true}, 96, hoveredDisabled);
        draw({.Focused = true}, 96, focused);
        EXPECT_TRUE(ColourIs(hovered.At(4, 6), kColorStripHover, 1));
        EXPECT_TRUE(ColourIs(hoveredDisabled.At(4, 6), kColorStrip));
        EXPECT_TRUE(ColourIs(focused.At(1, 12), kColorStripAccent, 1)) << "the ring is inset 1 pixel";
        EXPECT_TRUE(ColourIs(focused.At(4, 6), kColorStrip));
    }
}

}  // namespace
