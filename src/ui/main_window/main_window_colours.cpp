#include "ui/main_window/main_window_colours.h"

#include <commctrl.h>

#include "ui/drawing/control_theme.h"
#include "ui/drawing/window_frame.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/package_tree/package_tree.h"

namespace {

void ReplaceBrush(HBRUSH& brush, COLORREF colour) {
    if (brush) ::DeleteObject(brush);
    brush = ::CreateSolidBrush(colour);
}

}  // namespace

void FollowSystemColours(AppState& state) {
    ApplyPalette(state, IsHighContrastOn() ? HighContrastPalette(::GetSysColor) : LightPalette());
}

void ApplyPalette(AppState& state, const Palette& palette) {
    UsePalette(palette);
    ReplaceBrush(state.BackgroundBrush, kColorWindow);
    ReplaceBrush(state.WhiteBrush, kColorWhite);
    ReplaceBrush(state.HeaderBrush, kColorBand);
    HWND window = state.MainWindow;
    if (HWND tree = ::GetDlgItem(window, IDC_PACKAGE_TREE)) {
        TreeView_SetBkColor(tree, kColorWhite);
        TreeView_SetTextColor(tree, kColorText);
        // Common controls learn of new system colours only from their parent.
        ::SendMessageW(tree, WM_SYSCOLORCHANGE, 0, 0);
    }
    if (HWND bar = ::GetDlgItem(window, IDC_PROGRESS)) StyleProgressBar(bar);
    // The check boxes are drawn on the tree's background.
    ApplyPaddedCheckImages(state);
    if (!palette.HighContrast) ApplyWindowFrameAttributes(window);
    ::RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}
