#include "ui/drawing/argb_bitmap.h"

#include <algorithm>
#include <utility>

std::uint32_t PremultipliedPixel(COLORREF colour, unsigned alpha) {
    auto scaled = [alpha](unsigned channel) { return (channel * alpha + 127) / 255; };
    return (static_cast<std::uint32_t>(alpha) << 24) | (scaled(GetRValue(colour)) << 16) |
           (scaled(GetGValue(colour)) << 8) | scaled(GetBValue(colour));
}

bool ArgbBitmap::Create(HDC reference, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle bitmap(::CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return false;
    MemoryDc dc(::CreateCompatibleDC(reference));
    if (!dc || !::SelectObject(dc.get(), bitmap.get())) return false;
    dc_ = std::move(dc);  // the old bitmap, if any, is no longer selected
    bitmap_ = std::move(bitmap);
    pixels_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    std::fill_n(pixels_, static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    return true;
}

bool ArgbBitmap::BlendOnto(HDC target, int x, int y) const {
    if (!dc_) return false;
    ::GdiFlush();
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return ::AlphaBlend(target, x, y, width_, height_, dc_.get(), 0, 0, width_, height_, blend) != FALSE;
}
