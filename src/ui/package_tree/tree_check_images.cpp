// The tree's check images widened by a transparent gap on the right, so the
// check box does not touch the item text; the partly checked image is drawn
// here when the control has none.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/gdi_handles.h"
#include "ui/drawing/palette.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/package_tree/package_tree.h"
#include "ui/package_tree/package_tree_items.h"
#include "ui/package_tree/tree_check_toggles.h"

namespace {

constexpr int kCheckGap96 = 3;
constexpr int kImageCount = kPartlyCheckedImage + 1;  // index 0 is the control's "no check box"

// The control's own state images. Some tree views (Wine's) make them only when
// TVS_CHECKBOXES is switched on after creation.
HIMAGELIST ControlCheckImages(HWND tree) {
    if (HIMAGELIST images = TreeView_GetImageList(tree, TVSIL_STATE)) return images;
    const LONG_PTR style = ::GetWindowLongPtrW(tree, GWL_STYLE);
    if (!(style & TVS_CHECKBOXES)) return nullptr;
    ::SetWindowLongPtrW(tree, GWL_STYLE, style & ~static_cast<LONG_PTR>(TVS_CHECKBOXES));
    ::SetWindowLongPtrW(tree, GWL_STYLE, style);
    return TreeView_GetImageList(tree, TVSIL_STATE);
}

struct PaddedImage {
    BitmapHandle Colour;  // 32-bit top-down
    BitmapHandle Mask;    // monochrome, white where transparent
    std::uint32_t* Pixels = nullptr;
};

PaddedImage DrawPadded(HIMAGELIST original, int index, SIZE size, HDC screen) {
    PaddedImage image;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    image.Colour.reset(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    image.Mask.reset(::CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    MemoryDc dc(::CreateCompatibleDC(screen));
    if (!image.Colour || !image.Mask || !dc) return {};
    image.Pixels = static_cast<std::uint32_t*>(bits);
    {
        SelectedObject selected(dc.get(), image.Colour.get());
        ImageList_Draw(original, index, dc.get(), 0, 0, ILD_NORMAL);
    }
    SelectedObject selected(dc.get(), image.Mask.get());
    ::PatBlt(dc.get(), 0, 0, size.cx, size.cy, WHITENESS);
    ImageList_Draw(original, index, dc.get(), 0, 0, ILD_MASK);
    ::GdiFlush();
    return image;
}

// A filled square in the middle of an unchecked box.
void MarkPartlyChecked(PaddedImage& image, SIZE box, int stride) {
    const std::size_t pixelCount = static_cast<std::size_t>(stride) * static_cast<std::size_t>(box.cy);
    const bool hasAlpha =
        std::any_of(image.Pixels, image.Pixels + pixelCount, [](std::uint32_t pixel) { return (pixel >> 24) != 0; });
    const int side = std::max<int>(3, std::min(box.cx, box.cy) * 2 / 5);
    const int left = (box.cx - side) / 2;
    const int top = (box.cy - side) / 2;
    const std::uint32_t colour = (hasAlpha ? 0xFF000000u : 0u) | (GetRValue(kColorAccent) << 16) |
                                 (GetGValue(kColorAccent) << 8) | GetBValue(kColorAccent);
    for (int y = top; y < top + side; ++y)
        std::fill_n(image.Pixels + static_cast<std::size_t>(y) * stride + left, side, colour);
}

HIMAGELIST PadCheckImages(HIMAGELIST original, int gap) {
    int width = 0;
    int height = 0;
    if (!ImageList_GetIconSize(original, &width, &height)) return nullptr;
    const SIZE box{width, height};
    const SIZE padded{width + gap, height};
    // Without an unchecked and a checked image there is nothing to pad.
    const int available = ImageList_GetImageCount(original);
    if (available < static_cast<int>(kPartlyCheckedImage)) return nullptr;

    HIMAGELIST images = ImageList_Create(padded.cx, padded.cy, ILC_COLOR32 | ILC_MASK, kImageCount, 0);
    if (!images) return nullptr;
    const WindowDC screen(nullptr);
    for (int index = 0; index < kImageCount; ++index) {
        const bool drawn = index >= available;
        PaddedImage image = DrawPadded(original, drawn ? static_cast<int>(kUncheckedImage) : index, padded, screen.get());
        if (image.Pixels && drawn) MarkPartlyChecked(image, box, padded.cx);
        if (!image.Pixels || ImageList_Add(images, image.Colour.get(), image.Mask.get()) < 0) {
            ImageList_Destroy(images);
            images = nullptr;
            break;
        }
    }
    return images;
}

}  // namespace

void ApplyPaddedCheckImages(AppState& state) {
    HWND tree = ::GetDlgItem(state.MainWindow, IDC_PACKAGE_TREE);
    if (!tree) return;
    ReportCheckToggles(tree);
    if (!state.OriginalCheckImages) state.OriginalCheckImages = ControlCheckImages(tree);
    if (!state.OriginalCheckImages) return;
    HIMAGELIST padded = PadCheckImages(state.OriginalCheckImages, ScaleToDpi(kCheckGap96, state.Dpi));
    if (!padded) return;
    TreeView_SetImageList(tree, padded, TVSIL_STATE);
    if (state.PaddedCheckImages) ImageList_Destroy(state.PaddedCheckImages);
    state.PaddedCheckImages = padded;
}
