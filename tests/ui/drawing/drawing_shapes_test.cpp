// Rounded rectangles, cards and badges drawn into a real DIB section and
// read back pixel by pixel.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/ui/drawing_canvas.h"
#include "ui/drawing/badge.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/rounded_shapes.h"

namespace {

constexpr COLORREF kBackground = RGB(255, 0, 0);

TEST(DrawingRoundedRect, GradientFillBorderAndTransparentCorners) {
    DrawingCanvas canvas(60, 40, kBackground);
    ASSERT_TRUE(canvas.Valid());
    const COLORREF top = RGB(0, 0, 200);
    const COLORREF bottom = RGB(200, 200, 0);
    const COLORREF border = RGB(0, 128, 0);
    const RECT rect{10, 5, 50, 35};  // 40 x 30, corner radius 8
    DrawRoundedRect(canvas.Dc(), rect, top, bottom, border, 16);

    // Rows are interpolated from top to bottom; the middle row 15 of 30 sits at 15/29.
    EXPECT_TRUE(ColourIs(canvas.At(30, 20), Between(top, bottom, 15.0 / 29.0), 1));
    EXPECT_TRUE(ColourIs(canvas.At(30, 7), Between(top, bottom, 2.0 / 29.0), 1));
    // The one-pixel border on the straight edges, nothing inside it.
    EXPECT_TRUE(ColourIs(canvas.At(10, 20), border, 1));
    EXPECT_TRUE(ColourIs(canvas.At(49, 20), border, 1));
    EXPECT_TRUE(ColourIs(canvas.At(30, 5), border, 1));
    EXPECT_TRUE(ColourIs(canvas.At(30, 34), border, 1));
    EXPECT_FALSE(ColourIs(canvas.At(11, 20), border, 20));
    // Corners are cut away and the rectangle ends at its right and bottom edges.
    EXPECT_TRUE(ColourIs(canvas.At(10, 5), kBackground));
    EXPECT_TRUE(ColourIs(canvas.At(49, 34), kBackground));
    EXPECT_TRUE(ColourIs(canvas.At(50, 20), kBackground));
    EXPECT_TRUE(ColourIs(canvas.At(30, 35), kBackground));
    // On the corner arc the border is blended with what lies behind.
    const int red = GetRValue(canvas.At(12, 7));
    EXPECT_GT(red, 20);
    EXPECT_LT(red, 235);
}

TEST(DrawingRoundedRect, OutlineKeepsInsideAndFallbackIsPlain) {
    const COLORREF border = RGB(0, 0, 255);
    {
        DrawingCanvas canvas(40, 30, kBackground);
        DrawRoundedOutline(canvas.Dc(), {0, 0, 40, 30}, border, 10);
        EXPECT_TRUE(ColourIs(canvas.At(0, 15), border, 1));
        EXPECT_TRUE(ColourIs(canvas.At(20, 29), border, 1));
        EXPECT_TRUE(ColourIs(canvas.At(20, 15), kBackground));
        EXPECT_TRUE(ColourIs(canvas.At(2, 15), kBackground));
        EXPECT_TRUE(ColourIs(canvas.At(0, 0), kBackground));
    }
    {
        // The plain form: one fill colour, the border, the system's rounded corners.
        DrawingCanvas canvas(40, 30, kBackground);
        const COLORREF fill = RGB(10, 200, 10);
        DrawPlainRoundedRect(canvas.Dc(), {0, 0, 40, 30}, fill, border, 10);
        EXPECT_TRUE(ColourIs(canvas.At(20, 15), fill));
        EXPECT_TRUE(ColourIs(canvas.At(0, 15), border));
        EXPECT_TRUE(ColourIs(canvas.At(20, 29), border));
        EXPECT_TRUE(ColourIs(canvas.At(0, 0), kBackground));
    }
    {
        // Empty and inverted rectangles draw nothing.
        DrawingCanvas canvas(10, 10, kBackground);
        DrawRoundedRect(canvas.Dc(), {5, 5, 5, 9}, border, border, border, 4);
        DrawRoundedOutline(canvas.Dc(), {5, 9, 9, 5}, border, 4);
        EXPECT_TRUE(ColourIs(canvas.At(5, 6), kBackground));
        EXPECT_TRUE(ColourIs(canvas.At(6, 6), kBackground));
    }
}

TEST(DrawingCard, WhiteCardOverShadowOnWindowColour) {
    for (const UINT dpi : {96u, 192u}) {
        SCOPED_TRACE(dpi);
        DrawingCanvas canvas(200, 120, kBackground);
        DrawCard(canvas.Dc(), {0, 0, 200, 120}, dpi);
        const int shadow = dpi / 48;  // 2 pixels at 96 DPI
        EXPECT_TRUE(ColourIs(canvas.At(0, 0), kColorWindow));
        EXPECT_TRUE(ColourIs(canvas.At(199, 119), kColorWindow));
        EXPECT_TRUE(ColourIs(canvas.At(100, 60), kColorWhite));
        EXPECT_TRUE(ColourIs(canvas.At(0, 60), kColorCardBorder, 1));
        EXPECT_TRUE(ColourIs(canvas.At(100, 119 - shadow), kColorCardBorder, 1));
        EXPECT_TRUE(ColourIs(canvas.At(100, 119), kColorMuted, 1));
    }
}

TEST(DrawingBadge, AccentBadgeOnItsBackground) {
    DrawingCanvas canvas(80, 20, kBackground);
    DrawBadge(canvas.Dc(), {0, 0, 80, 20}, L"12.5 MB", nullptr, kColorWhite, 96);
    // The small corner is only partly covered by the badge; the rest is white, not
    // the red that lay there before.
    EXPECT_TRUE(ColourIs(canvas.At(0, 0), kColorWhite, 48));
    EXPECT_TRUE(ColourIs(canvas.At(0, 10), kColorAccent, 1));
    EXPECT_TRUE(ColourIs(canvas.At(2, 10), kColorAccentLight, 1));
    bool accentText = false;
    for (int x = 10; x < 70; ++x)
        for (int y = 4; y < 16; ++y) accentText |= GetRValue(canvas.At(x, y)) < 120;
    EXPECT_TRUE(accentText) << "the text is drawn in the accent colour";
}

}  // namespace
