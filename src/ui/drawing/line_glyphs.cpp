#include "ui/drawing/line_glyphs.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "ui/drawing/argb_bitmap.h"
#include "ui/drawing/gdi_handles.h"

namespace {

constexpr int kGridSize = 20;
constexpr int kSupersample = 4;
constexpr float kPenWidth = 1.45f;  // grid units

struct GridPoint {
    float X;
    float Y;
};

// A stroke is a polyline, or a rounded rectangle given by two corners and its
// corner ellipse.
struct Stroke {
    std::vector<GridPoint> Points;
    float Ellipse = -1.0f;  // >= 0: Points holds the rounded rectangle's corners
};

Stroke Line(std::vector<GridPoint> points) { return {std::move(points), -1.0f}; }
Stroke RoundedSquare(GridPoint from, GridPoint to, float ellipse) { return {{from, to}, ellipse}; }

// 49 points of a circle arc; angles in degrees, clockwise from the right.
Stroke Arc(GridPoint centre, float radius, float fromDegrees, float toDegrees) {
    constexpr int kPoints = 49;
    std::vector<GridPoint> points;
    for (int i = 0; i < kPoints; ++i) {
        const float degrees = fromDegrees + (toDegrees - fromDegrees) * static_cast<float>(i) / (kPoints - 1);
        const float radians = degrees * std::numbers::pi_v<float> / 180.0f;
        points.push_back({centre.X + radius * std::cos(radians), centre.Y + radius * std::sin(radians)});
    }
    return Line(std::move(points));
}

std::vector<Stroke> Strokes(LineGlyph glyph) {
    switch (glyph) {
    case LineGlyph::SquareMinus:
        return {RoundedSquare({3, 3}, {17, 17}, 3), Line({{6, 10}, {14, 10}})};
    case LineGlyph::SquareCheck:
        return {RoundedSquare({3, 3}, {17, 17}, 3), Line({{6, 10}, {9, 13}, {14, 7}})};
    case LineGlyph::ClockArrow:
        return {Arc({10, 10}, 6.5f, -145, 145), Line({{4.7f, 3.3f}, {4.7f, 7.3f}, {1, 6}}),
                Line({{10, 6}, {10, 10}, {13, 12}})};
    case LineGlyph::TrayDown:
        return {Line({{3, 12}, {3, 17}, {17, 17}, {17, 12}}),
                Line({{10, 2.5f}, {10, 12}, {6.5f, 8.5f}, {10, 12}, {13.5f, 8.5f}})};
    case LineGlyph::WasteBin:
        return {Line({{3, 5}, {17, 5}}), Line({{7, 5}, {7, 2.5f}, {13, 2.5f}, {13, 5}}),
                Line({{5, 5}, {6, 17.5f}, {14, 17.5f}, {15, 5}}), Line({{8.5f, 8.5f}, {8.5f, 14}}),
                Line({{11.5f, 8.5f}, {11.5f, 14}})};
    case LineGlyph::ChipDown:
        return {RoundedSquare({3, 7}, {13, 17}, 2), Line({{6, 7}, {6, 4}}), Line({{10, 7}, {10, 4}}),
                Line({{3, 10}, {1, 10}}), Line({{3, 14}, {1, 14}}), Line({{6, 17}, {6, 19}}),
                Line({{10, 17}, {10, 19}}), Line({{15, 3}, {15, 10}}), Line({{11.5f, 6.5f}, {15, 10}, {18.5f, 6.5f}})};
    case LineGlyph::StopSquare:
        return {RoundedSquare({4, 4}, {16, 16}, 2)};
    case LineGlyph::Cross:
        return {Line({{4.5f, 4.5f}, {15.5f, 15.5f}}), Line({{15.5f, 4.5f}, {4.5f, 15.5f}})};
    }
    return {};
}

// White strokes on black at `scale` pixels per grid unit.
bool RenderStrokes(const ArgbBitmap& canvas, const std::vector<Stroke>& strokes, float scale) {
    const LOGBRUSH white{BS_SOLID, RGB(255, 255, 255), 0};
    const auto width = static_cast<DWORD>(std::max(1L, std::lround(kPenWidth * scale)));
    const PenHandle pen(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, width, &white, 0,
                                       nullptr));
    if (!pen) return false;
    const SelectedObject selectedPen(canvas.Dc(), pen.get());
    const SelectedObject hollow(canvas.Dc(), ::GetStockObject(NULL_BRUSH));
    auto at = [scale](float grid) { return static_cast<int>(std::lround(grid * scale)); };
    for (const Stroke& stroke : strokes) {
        if (stroke.Ellipse >= 0.0f) {
            const int ellipse = at(stroke.Ellipse);
            ::RoundRect(canvas.Dc(), at(stroke.Points[0].X), at(stroke.Points[0].Y), at(stroke.Points[1].X),
                        at(stroke.Points[1].Y), ellipse, ellipse);
            continue;
        }
        std::vector<POINT> points;
        for (const GridPoint& point : stroke.Points) points.push_back({at(point.X), at(point.Y)});
        ::Polyline(canvas.Dc(), points.data(), static_cast<int>(points.size()));
    }
    ::GdiFlush();
    return true;
}

// Each block of supersamples becomes one pixel whose alpha is the block's coverage.
void Downsample(const ArgbBitmap& canvas, const ArgbBitmap& glyph, COLORREF colour) {
    const int side = glyph.Width();
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            unsigned total = 0;
            for (int sy = 0; sy < kSupersample; ++sy) {
                const std::uint32_t* row = canvas.Pixels() + (y * kSupersample + sy) * canvas.Width() + x * kSupersample;
                for (int sx = 0; sx < kSupersample; ++sx) total += (row[sx] >> 8) & 0xFF;  // green of white ink
            }
            const unsigned coverage = (total + kSupersample * kSupersample / 2) / (kSupersample * kSupersample);
            glyph.Pixels()[y * side + x] = PremultipliedPixel(colour, coverage);
        }
    }
}

}  // namespace

bool DrawLineGlyph(HDC dc, const RECT& area, LineGlyph glyph, COLORREF colour) {
    const int side = std::min(area.right - area.left, area.bottom - area.top);
    if (side <= 0) return false;
    ArgbBitmap canvas;
    if (!canvas.Create(dc, side * kSupersample, side * kSupersample)) return false;
    const float scale = static_cast<float>(side * kSupersample) / kGridSize;
    if (!RenderStrokes(canvas, Strokes(glyph), scale)) return false;
    ArgbBitmap result;
    if (!result.Create(dc, side, side)) return false;
    Downsample(canvas, result, colour);
    const int left = area.left + (area.right - area.left - side) / 2;
    const int top = area.top + (area.bottom - area.top - side) / 2;
    return result.BlendOnto(dc, left, top);
}
