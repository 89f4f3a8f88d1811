#include "ui/main_window/main_window_paint.h"

#include "ui/dialogs/dialog_geometry.h"
#include "ui/drawing/badge.h"
#include "ui/drawing/gdi_handles.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/rounded_shapes.h"
#include "ui/drawing/segmented_control.h"
#include "ui/drawing/solid_fill.h"
#include "ui/drawing/window_bands.h"
#include "ui/drawing/window_text.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_buttons.h"
#include "ui/main_window/main_window_controls.h"

namespace {

constexpr int kHeaderGap96 = 5;  // band ends above the "Target Windows" row
constexpr int kFooterGap96 = 4;  // band starts above the action button
constexpr int kSearchFrameEllipse96 = 6;

bool InRange(int id, int first, int last) { return id >= first && id <= last; }

bool OnDetailsCard(int id) {
    return InRange(id, IDC_DETAILS_FRAME, IDC_DETAILS_BADGE) || InRange(id, IDC_DETAILS_LABEL_0, IDC_DETAILS_LABEL_7) ||
           InRange(id, IDC_DETAILS_VALUE_0, IDC_DETAILS_VALUE_7) || id == IDC_DETAILS_EXPLANATION ||
           id == IDC_DETAILS_PLACEHOLDER || id == IDC_RESET_SEARCH;
}

bool OnBottomPanel(int id) { return InRange(id, IDC_BOTTOM_PANEL, IDC_HINT); }

bool OnBand(int id) {
    switch (id) {
    case IDC_MODE_TITLE:
    case IDC_MODE_SUBTITLE:
    case IDC_LOG_BUTTON:
    case IDC_LANGUAGE:
    case IDC_SELECTION_SUMMARY:
    case IDC_SELECT_OLD_DRIVERS:
    case IDC_CLEAR_SELECTION:
    case IDC_SELECT_ALL:
    case IDC_ACTION:
    case IDC_STATUS_LINE: return true;
    default: return false;
    }
}

COLORREF TextColourOf(int id) {
    if (id == IDC_DETAILS_BADGE) return kColorAccent;
    if (InRange(id, IDC_DETAILS_LABEL_0, IDC_DETAILS_LABEL_7)) return kColorSecondary;
    switch (id) {
    case IDC_MODE_SUBTITLE:
    case IDC_PACKAGE_COUNT:
    case IDC_HINT:
    case IDC_SELECTION_SUMMARY:
    case IDC_STATUS_LINE: return kColorSecondary;
    default: return kColorText;
    }
}

COLORREF BackgroundOf(int id) {
    if (OnDetailsCard(id) || OnBottomPanel(id)) return kColorWhite;
    return OnBand(id) ? kColorBand : kColorWindow;
}

}  // namespace

void PaintMainWindow(AppState& state) {
    PAINTSTRUCT paint{};
    HDC windowDc = ::BeginPaint(state.MainWindow, &paint);
    if (!windowDc) return;
    RECT client{};
    ::GetClientRect(state.MainWindow, &client);
    // Drawn off screen and copied in one step, so a resize never shows the
    // bare window colour between the bands and the strip.
    MemoryDc buffer(::CreateCompatibleDC(windowDc));
    BitmapHandle bitmap(buffer ? ::CreateCompatibleBitmap(windowDc, RectWidth(client), RectHeight(client)) : nullptr);
    {
        const SelectedObject selected(buffer.get(), bitmap.get());
        HDC dc = bitmap ? buffer.get() : windowDc;
        DrawMainWindowSurface(state, dc);
        if (bitmap) {
            const RECT& r = paint.rcPaint;
            ::BitBlt(windowDc, r.left, r.top, RectWidth(r), RectHeight(r), dc, r.left, r.top, SRCCOPY);
        }
    }
    ::EndPaint(state.MainWindow, &paint);
}

void DrawMainWindowSurface(const AppState& state, HDC dc) {
    RECT client{};
    ::GetClientRect(state.MainWindow, &client);
    FillSolidRect(dc, client, kColorWindow);
    const RECT targetRow = ChildRect(state.MainWindow, IDC_TARGET_LABEL);
    DrawHeaderBand(dc, {client.left, client.top, client.right, targetRow.top - ScaleForDpi(state, kHeaderGap96)});
    const RECT action = ChildRect(state.MainWindow, IDC_ACTION);
    DrawFooterBand(dc, {client.left, action.top - ScaleForDpi(state, kFooterGap96), client.right, client.bottom});
    DrawSegmentStrip(dc, ModeStripRect(state), state.Dpi);
}

bool DrawMainWindowFrame(AppState& state, const DRAWITEMSTRUCT& item) {
    switch (item.CtlID) {
    case IDC_DETAILS_FRAME:
    case IDC_BOTTOM_PANEL: DrawCard(item.hDC, item.rcItem, state.Dpi); return true;
    case IDC_DETAILS_BADGE:
        DrawBadge(item.hDC, item.rcItem, WindowTextOf(item.hwndItem), state.BodyFont, kColorWhite, state.Dpi);
        return true;
    case IDC_SEARCH_FRAME: {
        const bool focused = ::GetFocus() == ::GetDlgItem(state.MainWindow, IDC_SEARCH);
        FillSolidRect(item.hDC, item.rcItem, kColorWindow);
        DrawRoundedRect(item.hDC, item.rcItem, kColorWhite, kColorWhite, focused ? kColorFocus : kColorNeutralBorder,
                        ScaleForDpi(state, kSearchFrameEllipse96));
        return true;
    }
    default: return false;
    }
}

HBRUSH MainWindowControlColour(AppState&, HDC dc, HWND control, UINT message) {
    const int id = ::GetDlgCtrlID(control);
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX)
        return ControlColorBrush(dc, kColorText, kColorWhite, false);
    return ControlColorBrush(dc, TextColourOf(id), BackgroundOf(id), true);
}
