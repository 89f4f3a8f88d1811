// The tree's check images, drawn for the window's DPI with the themed check box
// and widened by a transparent gap on the right, so the check box does not
// touch the item text. They are drawn anew on every DPI change: the control's
// own images keep the size of the monitor the window was created on.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/gdi_handles.h"
#include "ui/drawing/themed_check_box.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/package_tree/package_tree.h"
#include "ui/package_tree/package_tree_items.h"
#include "ui/package_tree/tree_check_toggles.h"

namespace {

constexpr int kCheckGap96 = 3;
constexpr int kImageSide96 = 16;
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

CheckBoxLook LookOf(int index) {
    if (index == static_cast<int>(kCheckedImage)) return CheckBoxLook::Checked;
    if (index == static_cast<int>(kPartlyCheckedImage)) return CheckBoxLook::Mixed;
    return CheckBoxLook::Unchecked;
}

// One image: the box centred vertically at the left on the tree's background,
// everything else transparent through the mask.
bool AddImage(HIMAGELIST images, int index, SIZE cell, const RECT& box, HWND tree, UINT dpi, COLORREF background,
              HDC screen) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = cell.cx;
    info.bmiHeader.biHeight = -cell.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle colour(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    BitmapHandle mask(::CreateBitmap(cell.cx, cell.cy, 1, 1, nullptr));
    MemoryDc dc(::CreateCompatibleDC(screen));
    if (!colour || !mask || !dc) return false;
    {
        SelectedObject selected(dc.get(), colour.get());
        const RECT all{0, 0, cell.cx, cell.cy};
        ::SetDCBrushColor(dc.get(), background);
        ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        if (index > 0) DrawCheckBox(dc.get(), box, LookOf(index), tree, dpi);
    }
    {
        SelectedObject selected(dc.get(), mask.get());
        ::PatBlt(dc.get(), 0, 0, cell.cx, cell.cy, WHITENESS);
        if (index > 0) ::PatBlt(dc.get(), box.left, box.top, box.right - box.left, box.bottom - box.top, BLACKNESS);
    }
    ::GdiFlush();
    return ImageList_Add(images, colour.get(), mask.get()) >= 0;
}

HIMAGELIST DrawCheckImages(HWND tree, UINT dpi) {
    const SIZE box = CheckBoxSize(tree, dpi);
    const int side = std::max({ScaleToDpi(kImageSide96, dpi), static_cast<int>(box.cx), static_cast<int>(box.cy)});
    const SIZE cell{side + ScaleToDpi(kCheckGap96, dpi), side};
    const int left = (side - box.cx) / 2;
    const int top = (side - box.cy) / 2;
    const RECT boxRect{left, top, left + box.cx, top + box.cy};
    COLORREF background = TreeView_GetBkColor(tree);
    if (background == static_cast<COLORREF>(-1)) background = ::GetSysColor(COLOR_WINDOW);

    HIMAGELIST images = ImageList_Create(cell.cx, cell.cy, ILC_COLOR32 | ILC_MASK, kImageCount, 0);
    if (!images) return nullptr;
    const WindowDC screen(nullptr);
    for (int index = 0; index < kImageCount; ++index) {
        if (!AddImage(images, index, cell, boxRect, tree, dpi, background, screen.get())) {
            ImageList_Destroy(images);
            return nullptr;
        }
    }
    return images;
}

}  // namespace

void ApplyPaddedCheckImages(AppState& state) {
    HWND tree = ::GetDlgItem(state.MainWindow, IDC_PACKAGE_TREE);
    if (!tree) return;
    ReportCheckToggles(tree);
    // Kept only to be destroyed with the window: the tree does not own it once replaced.
    if (!state.OriginalCheckImages) state.OriginalCheckImages = ControlCheckImages(tree);
    if (!state.OriginalCheckImages) return;
    HIMAGELIST padded = DrawCheckImages(tree, state.Dpi);
    if (!padded) return;
    TreeView_SetImageList(tree, padded, TVSIL_STATE);
    if (state.PaddedCheckImages) ImageList_Destroy(state.PaddedCheckImages);
    state.PaddedCheckImages = padded;
}
