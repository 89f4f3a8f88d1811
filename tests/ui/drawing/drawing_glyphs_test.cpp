// Line glyphs and icon-font glyphs drawn into a real DIB section: ink where the
// strokes run, untouched background elsewhere, and the icon fonts used only
// where a font really provides the glyph.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <string>

#include "tests/ui/drawing_canvas.h"
#include "ui/drawing/icon_glyphs.h"
#include "ui/drawing/line_glyphs.h"

namespace {

constexpr COLORREF kPaper = RGB(255, 255, 255);

// The darkest green value of the 2 x 2 pixels that meet at (x, y).
int DarkestAround(const DrawingCanvas& canvas, int x, int y) {
    int darkest = 255;
    for (int dy = -1; dy <= 0; ++dy)
        for (int dx = -1; dx <= 0; ++dx) darkest = std::min<int>(darkest, GetGValue(canvas.At(x + dx, y + dy)));
    return darkest;
}

TEST(DrawingLineGlyph, CheckMarkInkFollowsThePolyline) {
    // 40 pixels for 20 grid units: grid point (gx, gy) lies at pixel corner (2 gx, 2 gy).
    DrawingCanvas canvas(40, 40, kPaper);
    const COLORREF ink = RGB(200, 0, 0);
    ASSERT_TRUE(DrawLineGlyph(canvas.Dc(), {0, 0, 40, 40}, LineGlyph::SquareCheck, ink));
    // Along the check mark (6,10)-(9,13)-(14,7), at its corners and half way.
    for (const POINT grid : {POINT{6, 10}, POINT{9, 13}, POINT{14, 7}}) {
        EXPECT_LT(DarkestAround(canvas, grid.x * 2, grid.y * 2), 100) << grid.x << "," << grid.y;
    }
    EXPECT_LT(DarkestAround(canvas, 15, 23), 100);
    EXPECT_LT(DarkestAround(canvas, 23, 20), 100);
    // The square's left side (x = 3 grid = 6 px) is 2.9 pixels wide: the pixel
    // inside it is covered fully and shows the ink colour itself.
    EXPECT_TRUE(ColourIs(canvas.At(5, 20), ink, 8));
    // Background between the strokes and outside the square stays as it was.
    EXPECT_TRUE(ColourIs(canvas.At(20, 10), kPaper));
    EXPECT_TRUE(ColourIs(canvas.At(12, 28), kPaper));
    EXPECT_TRUE(ColourIs(canvas.At(1, 1), kPaper));
    EXPECT_TRUE(ColourIs(canvas.At(38, 38), kPaper));
}

TEST(DrawingLineGlyph, EveryGlyphInksOnlyItsCentredSquare) {
    constexpr std::array kGlyphs = {LineGlyph::SquareMinus, LineGlyph::SquareCheck, LineGlyph::ClockArrow,
                                    LineGlyph::TrayDown,    LineGlyph::WasteBin,    LineGlyph::ChipDown,
                                    LineGlyph::StopSquare,  LineGlyph::Cross};
    for (const LineGlyph glyph : kGlyphs) {
        SCOPED_TRACE(static_cast<int>(glyph));
        DrawingCanvas canvas(80, 60, kPaper);
        // A wide area: the glyph takes the 40-pixel square in its middle.
        ASSERT_TRUE(DrawLineGlyph(canvas.Dc(), {0, 10, 80, 50}, glyph, RGB(0, 0, 0)));
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 80; ++x) {
                const bool inked = canvas.At(x, y) != kPaper;
                const bool inSquare = x >= 20 && x < 60 && y >= 10 && y < 50;
                (inSquare ? inside : outside) += inked ? 1 : 0;
            }
        }
        EXPECT_GT(inside, 60);
        EXPECT_EQ(outside, 0);
    }
    DrawingCanvas canvas(10, 10, kPaper);
    EXPECT_FALSE(DrawLineGlyph(canvas.Dc(), {5, 5, 5, 9}, LineGlyph::Cross, RGB(0, 0, 0)));
}

// The name of some TrueType face the system really has.
int CALLBACK TakeFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM found) {
    if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == L'@') return 1;
    *reinterpret_cast<std::wstring*>(found) = font->lfFaceName;
    return 0;
}

TEST(DrawingIconGlyph, FontUsedOnlyWithItsRealFaceAndTheGlyph) {
    DrawingCanvas canvas(32, 32, kPaper);
    std::wstring realFace;
    LOGFONTW any{};
    any.lfCharSet = DEFAULT_CHARSET;
    ::EnumFontFamiliesExW(canvas.Dc(), &any, TakeFace, reinterpret_cast<LPARAM>(&realFace), 0);
    ASSERT_FALSE(realFace.empty());

    // A missing face is replaced by the font mapper; that replacement is refused
    // and the next face in the list is taken.
    const std::array<const wchar_t*, 2> faces = {L"Quillbay No Such Face", realFace.c_str()};
    const FontHandle letter = OpenGlyphFont(canvas.Dc(), faces, 16, L'A');
    ASSERT_TRUE(letter);
    LOGFONTW asked{};
    ASSERT_TRUE(::GetObjectW(letter.get(), sizeof(asked), &asked));
    EXPECT_EQ(std::wstring(asked.lfFaceName), realFace);
    EXPECT_FALSE(OpenGlyphFont(canvas.Dc(), std::array<const wchar_t*, 1>{L"Quillbay No Such Face"}, 16, L'A'));
    // A face without the code point is refused too.
    EXPECT_FALSE(OpenGlyphFont(canvas.Dc(), std::array<const wchar_t*, 1>{realFace.c_str()}, 16, kGlyphLog));

    // The glyph is drawn in the given colour, centred in its square.
    DrawIconGlyph(canvas.Dc(), {0, 0, 32, 32}, letter.get(), L'A', RGB(0, 0, 0));
    int left = 32, right = -1;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (GetGValue(canvas.At(x, y)) < 128) left = std::min(left, x), right = std::max(right, x);
    ASSERT_GE(right, left);
    EXPECT_LE(std::abs((left + right) / 2 - 16), 2);
}

}  // namespace
