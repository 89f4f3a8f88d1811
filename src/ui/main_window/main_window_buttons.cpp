#include "ui/main_window/main_window_buttons.h"

#include <string>

#include "ui/dialogs/dialog_button.h"
#include "ui/dialogs/dialog_geometry.h"
#include "ui/drawing/icon_glyphs.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/segmented_control.h"
#include "ui/drawing/solid_fill.h"
#include "ui/drawing/window_text.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_controls.h"

namespace {

constexpr int kHelpIconSize96 = 16;
constexpr int kStripLeftGap96 = 6;
constexpr int kStripOverhang96 = 2;

constexpr int kPushButtons[] = {IDC_LOG_BUTTON,        IDC_CHOOSE_TARGET,   IDC_REFRESH,
                                IDC_RESET_SEARCH,      IDC_BROWSE_SOURCE,   IDC_SELECT_OLD_DRIVERS,
                                IDC_CLEAR_SELECTION,   IDC_SELECT_ALL,      IDC_ACTION};
constexpr int kSegments[] = {IDC_MODE_BACKUP, IDC_MODE_REMOVAL, IDC_MODE_INSTALLATION, IDC_SETTINGS};

bool IsSegment(int id) {
    for (const int segment : kSegments) {
        if (segment == id) return true;
    }
    return false;
}

LineGlyph ActionGlyph(const AppState& state) {
    if (state.Busy) return LineGlyph::StopSquare;
    switch (state.Mode) {
    case AppMode::Removal: return LineGlyph::WasteBin;
    case AppMode::Installation: return LineGlyph::ChipDown;
    default: return LineGlyph::TrayDown;
    }
}

// What the button sits on: the cards, the window row of the target, or a band.
COLORREF BehindButton(int id) {
    switch (id) {
    case IDC_RESET_SEARCH:
    case IDC_BROWSE_SOURCE: return kColorWhite;
    case IDC_CHOOSE_TARGET:
    case IDC_REFRESH: return kColorWindow;
    default: return kColorBand;
    }
}

bool IsSmallButton(int id) {
    return id == IDC_LOG_BUTTON || id == IDC_CHOOSE_TARGET || id == IDC_REFRESH || id == IDC_BROWSE_SOURCE;
}

void DrawSegmentButton(const AppState& state, const DRAWITEMSTRUCT& item) {
    const ButtonState button = ButtonStateFromDrawItem(item, IsButtonHovered(item.hwndItem));
    SegmentState segment;
    const int id = static_cast<int>(item.CtlID);
    segment.Selected = id != IDC_SETTINGS && id == IDC_MODE_BACKUP + static_cast<int>(state.Mode);
    segment.Disabled = button.Disabled;
    segment.Hovered = button.Hovered;
    segment.Focused = button.Focused;
    segment.HideAccessKey = button.HideAccessKey;
    HFONT font = segment.Selected ? state.BodySemiboldFont : state.BodyFont;
    DrawSegment(item.hDC, item.rcItem, WindowTextOf(item.hwndItem), font, segment, state.Dpi);
}

void DrawHelpButton(const AppState& state, const DRAWITEMSTRUCT& item) {
    FillSolidRect(item.hDC, item.rcItem, state.HelpHovered ? kColorMuted : kColorBand);
    if (!state.HelpIcon) return;
    const int side = ScaleForDpi(state, kHelpIconSize96);
    const RECT& r = item.rcItem;
    ::DrawIconEx(item.hDC, r.left + (RectWidth(r) - side) / 2, r.top + (RectHeight(r) - side) / 2, state.HelpIcon,
                 side, side, 0, nullptr, DI_NORMAL);
}

// How a push button is coloured in the current mode and busy state.
ButtonLook MainWindowButtonLook(const AppState& state, int controlId) {
    ButtonLook look;
    if (controlId == IDC_ACTION)
        look.Kind = state.Mode == AppMode::Removal && !state.Busy ? ButtonKind::Danger : ButtonKind::Primary;
    look.Behind = BehindButton(controlId);
    look.Ellipse96 = IsSmallButton(controlId) ? 8 : 10;
    return look;
}

}  // namespace

ButtonGlyph MainWindowButtonGlyph(const AppState& state, int controlId) {
    switch (controlId) {
    case IDC_LOG_BUTTON: return ButtonGlyph::FromIconFont(kGlyphLog);
    case IDC_REFRESH:
    case IDC_RESET_SEARCH: return ButtonGlyph::FromIconFont(kGlyphRefresh);
    case IDC_BROWSE_SOURCE: return ButtonGlyph::FromIconFont(kGlyphBrowse);
    case IDC_CHOOSE_TARGET: return state.DriveIcon ? ButtonGlyph::FromIcon(state.DriveIcon) : ButtonGlyph{};
    case IDC_CLEAR_SELECTION: return ButtonGlyph::FromLine(LineGlyph::SquareMinus);
    case IDC_SELECT_ALL: return ButtonGlyph::FromLine(LineGlyph::SquareCheck);
    case IDC_SELECT_OLD_DRIVERS: return ButtonGlyph::FromLine(LineGlyph::ClockArrow);
    case IDC_ACTION: return ButtonGlyph::FromLine(ActionGlyph(state));
    default: return {};
    }
}

void TrackMainWindowButtonHover(const AppState& state) {
    for (const int id : kPushButtons) {
        if (HWND button = ::GetDlgItem(state.MainWindow, id)) TrackButtonHover(button);
    }
    for (const int id : kSegments) {
        if (HWND button = ::GetDlgItem(state.MainWindow, id)) TrackButtonHover(button);
    }
}

bool DrawMainWindowButton(const AppState& state, const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_BUTTON) return false;
    const int id = static_cast<int>(item.CtlID);
    if (id == IDC_HELP_BUTTON) {
        DrawHelpButton(state, item);
        return true;
    }
    if (IsSegment(id)) {
        DrawSegmentButton(state, item);
        return true;
    }
    DrawButtonItem(item, MainWindowButtonLook(state, id), MainWindowButtonGlyph(state, id), state.Dpi);
    return true;
}

RECT ModeStripRect(const AppState& state) {
    const RECT first = ChildRect(state.MainWindow, IDC_MODE_BACKUP);
    const RECT card = ChildRect(state.MainWindow, IDC_DETAILS_FRAME);
    const int overhang = ScaleForDpi(state, kStripOverhang96);
    return {first.left - ScaleForDpi(state, kStripLeftGap96), first.top - overhang, card.right,
            first.bottom + overhang};
}
