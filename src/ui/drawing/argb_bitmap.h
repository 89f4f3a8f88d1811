#pragma once
// A temporary 32-bit top-down bitmap with premultiplied alpha, selected into its
// own memory device context, for shapes the program anti-aliases itself.
#include <windows.h>

#include <cstdint>

#include "ui/drawing/gdi_handles.h"

// One pixel of the bitmap: blue in the low byte, alpha in the high byte.
std::uint32_t PremultipliedPixel(COLORREF colour, unsigned alpha);

class ArgbBitmap {
public:
    // A transparent bitmap compatible with `reference`; false when GDI cannot make it.
    [[nodiscard]] bool Create(HDC reference, int width, int height);

    [[nodiscard]] HDC Dc() const { return dc_.get(); }
    // Row-major, top row first. Call GdiFlush() before reading what GDI drew.
    [[nodiscard]] std::uint32_t* Pixels() const { return pixels_; }
    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }

    // Blends the whole bitmap onto `target` with its top left corner at (x, y).
    bool BlendOnto(HDC target, int x, int y) const;

private:
    BitmapHandle bitmap_;  // declared first: the device context goes before its bitmap
    MemoryDc dc_;
    std::uint32_t* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};
