#include "ui/drawing/rounded_shapes.h"

#include <algorithm>
#include <cmath>

#include "ui/drawing/argb_bitmap.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/gdi_handles.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/solid_fill.h"

namespace {

COLORREF Mix(COLORREF from, COLORREF to, float amount) {
    auto channel = [amount](int a, int b) { return static_cast<BYTE>(std::lround(a + (b - a) * amount)); };
    return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
               channel(GetBValue(from), GetBValue(to)));
}

// How far a pixel centre lies inside the rounded outline, in pixels: the distance
// to the nearest straight edge, or inside a corner the distance to the corner circle.
float DepthInside(float px, float py, float width, float height, float radius) {
    const float nearestX = std::clamp(px, radius, width - radius);
    const float nearestY = std::clamp(py, radius, height - radius);
    const float fromCorner = std::hypot(px - nearestX, py - nearestY);
    if (fromCorner > 0.0f) return radius - fromCorner;
    return std::min({px, width - px, py, height - py});
}

struct ShapeColours {
    COLORREF Top;
    COLORREF Bottom;
    COLORREF Border;
    bool Filled;  // false: the border alone
};

bool RenderRoundedRect(HDC dc, const RECT& rect, const ShapeColours& colours, int ellipse) {
    ArgbBitmap bitmap;
    if (!bitmap.Create(dc, rect.right - rect.left, rect.bottom - rect.top)) return false;
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const float radius = std::clamp(ellipse / 2.0f, 0.0f, std::min(width, height) / 2.0f);
    // Pixels this deep inside are neither border nor corner: the row's fill as it is.
    const float inner = std::max(radius, 1.5f);
    std::uint32_t* pixel = bitmap.Pixels();
    for (int y = 0; y < height; ++y) {
        const COLORREF rowFill =
            Mix(colours.Top, colours.Bottom, height > 1 ? static_cast<float>(y) / static_cast<float>(height - 1) : 0.0f);
        const std::uint32_t interior = colours.Filled ? PremultipliedPixel(rowFill, 255) : 0;
        const bool interiorRow = y + 0.5f >= inner && y + 0.5f <= height - inner;
        for (int x = 0; x < width; ++x, ++pixel) {
            if (interiorRow && x + 0.5f >= inner && x + 0.5f <= width - inner) {
                *pixel = interior;
                continue;
            }
            const float depth = DepthInside(x + 0.5f, y + 0.5f, static_cast<float>(width),
                                            static_cast<float>(height), radius);
            const float coverage = std::clamp(depth + 0.5f, 0.0f, 1.0f);
            const float borderShare = std::clamp(1.5f - depth, 0.0f, 1.0f);
            const float alpha = colours.Filled ? coverage : coverage * borderShare;
            const COLORREF colour = colours.Filled ? Mix(rowFill, colours.Border, borderShare) : colours.Border;
            *pixel = PremultipliedPixel(colour, static_cast<unsigned>(std::lround(alpha * 255.0f)));
        }
    }
    return bitmap.BlendOnto(dc, rect.left, rect.top);
}

void PlainRoundRect(HDC dc, const RECT& rect, const ShapeColours& colours, int ellipse) {
    const SelectedObject brush(dc, ::GetStockObject(colours.Filled ? DC_BRUSH : NULL_BRUSH));
    const SelectedObject pen(dc, ::GetStockObject(DC_PEN));
    const COLORREF previousBrush = ::SetDCBrushColor(dc, colours.Bottom);
    const COLORREF previousPen = ::SetDCPenColor(dc, colours.Border);
    ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, ellipse, ellipse);
    ::SetDCPenColor(dc, previousPen);
    ::SetDCBrushColor(dc, previousBrush);
}

void DrawShape(HDC dc, const RECT& rect, const ShapeColours& colours, int ellipse) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    if (!RenderRoundedRect(dc, rect, colours, ellipse)) PlainRoundRect(dc, rect, colours, ellipse);
}

}  // namespace

void DrawRoundedRect(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom, COLORREF border, int ellipse) {
    DrawShape(dc, rect, {top, bottom, border, true}, ellipse);
}

void DrawRoundedOutline(HDC dc, const RECT& rect, COLORREF border, int ellipse) {
    DrawShape(dc, rect, {border, border, border, false}, ellipse);
}

void DrawPlainRoundedRect(HDC dc, const RECT& rect, COLORREF fill, COLORREF border, int ellipse) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    PlainRoundRect(dc, rect, {fill, fill, border, true}, ellipse);
}

void DrawCard(HDC dc, const RECT& rect, UINT dpi) {
    const int ellipse = ScaleToDpi(16, dpi);
    const int shadowOffset = ScaleToDpi(2, dpi);
    FillSolidRect(dc, rect, kColorWindow);
    DrawRoundedRect(dc, {rect.left, rect.top + shadowOffset, rect.right, rect.bottom}, kColorMuted, kColorMuted,
                    kColorMuted, ellipse);
    DrawRoundedRect(dc, {rect.left, rect.top, rect.right, rect.bottom - shadowOffset}, kColorWhite, kColorWhite,
                    kColorCardBorder, ellipse);
}
