#pragma once
// A 32-bit top-down DIB section selected into a memory device context, filled
// with a known colour, so drawing tests can read back every pixel they touched.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdlib>

class DrawingCanvas {
public:
    DrawingCanvas(int width, int height, COLORREF background) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = ::CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<std::uint32_t*>(bits);
        previous_ = ::SelectObject(dc_, bitmap_);
        Fill(background);
    }
    DrawingCanvas(const DrawingCanvas&) = delete;
    DrawingCanvas& operator=(const DrawingCanvas&) = delete;
    ~DrawingCanvas() {
        ::SelectObject(dc_, previous_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
    }

    [[nodiscard]] bool Valid() const { return pixels_ != nullptr; }
    [[nodiscard]] HDC Dc() const { return dc_; }
    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }

    void Fill(COLORREF colour) {
        const RECT all{0, 0, width_, height_};
        ::SetDCBrushColor(dc_, colour);
        ::FillRect(dc_, &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        ::GdiFlush();
    }

    [[nodiscard]] COLORREF At(int x, int y) const {
        ::GdiFlush();
        const std::uint32_t pixel = pixels_[y * width_ + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
};

// The actual colour equals the expected one to within `tolerance` on every channel.
inline ::testing::AssertionResult ColourIs(COLORREF actual, COLORREF expected, int tolerance = 0) {
    const bool close = std::abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
                      std::abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
                      std::abs(GetBValue(actual) - GetBValue(expected)) <= tolerance;
    if (close) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour " << int{GetRValue(actual)} << "," << int{GetGValue(actual)} << ","
                                         << int{GetBValue(actual)} << " instead of " << int{GetRValue(expected)} << ","
                                         << int{GetGValue(expected)} << "," << int{GetBValue(expected)};
}

// The colour a fraction of the way from one to the other.
inline COLORREF Between(COLORREF from, COLORREF to, double amount) {
    auto channel = [amount](int a, int b) { return static_cast<int>(a + (b - a) * amount + 0.5); };
    return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
               channel(GetBValue(from), GetBValue(to)));
}
