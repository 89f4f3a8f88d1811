#include "ui/layout/window_layout_fit.h"

#include <algorithm>
#include <vector>

#include "core/localized_text.h"
#include "ui/drawing/icon_glyphs.h"
#include "ui/drawing/window_text.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_buttons.h"
#include "ui/main_window/main_window_controls.h"

namespace {

// A row of buttons that keep their right edge and push leftwards into the
// anchor control, which gives up room down to its minimum width.
struct ButtonRow {
    int Anchor;
    int AnchorMinimum96;
    std::vector<int> Buttons;  // right to left
};

const std::vector<ButtonRow>& ButtonRows() {
    static const std::vector<ButtonRow> rows = {
        {IDC_LANGUAGE, 70, {IDC_LOG_BUTTON}},
        {IDC_TARGET, 100, {IDC_REFRESH, IDC_CHOOSE_TARGET}},
        {IDC_SELECTION_SUMMARY, 100, {IDC_ACTION, IDC_SELECT_ALL, IDC_CLEAR_SELECTION, IDC_SELECT_OLD_DRIVERS}},
        {IDC_SOURCE_PATH, 100, {IDC_BROWSE_SOURCE}},
    };
    return rows;
}

constexpr int kModeButtons[] = {IDC_MODE_BACKUP, IDC_MODE_REMOVAL, IDC_MODE_INSTALLATION};

// Room beside a text: its padding, and the glyph a row button shows first.
constexpr int kTextPadding96 = 16;
constexpr int kGlyphRoom96 = 20;
constexpr int kSegmentPadding96 = 24;
constexpr int kSearchInset96 = 3;

HWND Control(const AppState& state, int id) { return ::GetDlgItem(state.MainWindow, id); }

RECT DesignRect(const AppState& state, int id) {
    const LayoutItem* item = FindLayoutItem(state.Layout, id);
    return item ? ScaledDesignRect(state, *item) : RECT{};
}

int DesignWidth(const AppState& state, int id) { return RectWidth(DesignRect(state, id)); }

// The design gap from the right edge of `left` to the left edge of `right`.
int DesignGap(const AppState& state, int left, int right) {
    return DesignRect(state, right).left - DesignRect(state, left).right;
}

int TextWidthOf(const AppState& state, int id) {
    HWND control = Control(state, id);
    if (id != IDC_ACTION) return TextWidthIn(control, nullptr, WindowTextOf(control));
    // The action button must not change size with the mode or while busy.
    int widest = 0;
    for (const TextId text : {64u, 65u, 66u, 170u})
        widest = std::max(widest, TextWidthIn(control, nullptr, GetText(state.Language, text)));
    return widest;
}

// An icon-font glyph that no installed font has is left out, and its room with it.
bool ShowsGlyph(const AppState& state, int id) {
    const ButtonGlyph glyph = MainWindowButtonGlyph(state, id);
    if (glyph.Type == ButtonGlyph::Source::IconFont) return IconFontHasGlyph(glyph.CodePoint);
    return glyph.Type != ButtonGlyph::Source::None;
}

int NeededRowButtonWidth(const AppState& state, int id) {
    const int padding = kTextPadding96 + (ShowsGlyph(state, id) ? kGlyphRoom96 : 0);
    return std::max(DesignWidth(state, id), TextWidthOf(state, id) + ScaleForDpi(state, padding));
}

void FitButtonRow(const AppState& state, const ButtonRow& row, PlacedRects& placed) {
    int previous = 0;
    LONG previousLeft = 0;
    for (const int id : row.Buttons) {
        const auto found = placed.find(id);
        if (found == placed.end()) continue;
        RECT& r = found->second;
        const LONG right = previous ? previousLeft - DesignGap(state, id, previous) : r.right;
        r.right = right;
        r.left = right - NeededRowButtonWidth(state, id);
        previous = id;
        previousLeft = r.left;
    }
    const auto anchor = placed.find(row.Anchor);
    if (!previous || anchor == placed.end()) return;
    RECT& a = anchor->second;
    a.right = std::min<LONG>(a.right, previousLeft - DesignGap(state, row.Anchor, previous));
    const int minimum = ScaleForDpi(state, row.AnchorMinimum96);
    if (RectWidth(a) < minimum) a.left = a.right - minimum;
}

void FitModeButtons(const AppState& state, PlacedRects& placed) {
    const auto first = placed.find(kModeButtons[0]);
    if (first == placed.end()) return;
    LONG x = first->second.left;
    int previous = 0;
    for (const int id : kModeButtons) {
        const auto found = placed.find(id);
        if (found == placed.end()) continue;
        if (previous) x += DesignGap(state, previous, id);
        // The selected segment shows its text in the semibold font.
        HWND control = Control(state, id);
        const int text = TextWidthIn(control, state.BodySemiboldFont, WindowTextOf(control));
        const int width = text + ScaleForDpi(state, kSegmentPadding96);
        found->second.left = x;
        found->second.right = x + width;
        x = found->second.right;
        previous = id;
    }
}

void FitSettings(const AppState& state, PlacedRects& placed) {
    const auto settings = placed.find(IDC_SETTINGS);
    if (settings == placed.end()) return;
    HWND control = Control(state, IDC_SETTINGS);
    settings->second.left =
        settings->second.right - TextWidthIn(control, nullptr, WindowTextOf(control)) - ScaleForDpi(state, kSegmentPadding96);
}

void FitSearch(const AppState& state, PlacedRects& placed) {
    const auto label = placed.find(IDC_SEARCH_LABEL);
    const auto frame = placed.find(IDC_SEARCH_FRAME);
    const auto box = placed.find(IDC_SEARCH);
    if (label == placed.end() || frame == placed.end() || box == placed.end()) return;
    HWND labelControl = Control(state, IDC_SEARCH_LABEL);
    // One pixel of slack, so the ellipsis style never shortens a text that fits.
    label->second.right = label->second.left + TextWidthIn(labelControl, nullptr, WindowTextOf(labelControl)) + 1;
    frame->second.left = label->second.right + DesignGap(state, IDC_SEARCH_LABEL, IDC_SEARCH_FRAME);
    const RECT& f = frame->second;
    const int inset = ScaleForDpi(state, kSearchInset96);
    const int height = std::min<int>(RectHeight(f), LineHeightIn(Control(state, IDC_SEARCH)) + 2);
    const LONG top = f.top + (RectHeight(f) - height) / 2;
    box->second = {f.left + inset, top, f.right - inset, top + height};
}

// The drop-down boxes of the two top rows are as high as their font makes them,
// taller than the design rows of the buttons and the label beside them, which
// take the box's height so that their centred texts line up with its text.
void AlignWithDropDownBoxes(const AppState& state, PlacedRects& placed) {
    struct BoxRow {
        int Box;
        std::vector<int> Beside;
    };
    static const BoxRow rows[] = {
        {IDC_LANGUAGE, {IDC_LOG_BUTTON}},
        {IDC_TARGET, {IDC_TARGET_LABEL, IDC_CHOOSE_TARGET, IDC_REFRESH}},
    };
    for (const BoxRow& row : rows) {
        const auto box = placed.find(row.Box);
        RECT closed{};
        if (box == placed.end() || !::GetWindowRect(Control(state, row.Box), &closed)) continue;
        for (const int id : row.Beside) {
            const auto control = placed.find(id);
            if (control == placed.end()) continue;
            control->second.top = box->second.top;
            control->second.bottom = box->second.top + RectHeight(closed);
        }
    }
}

}  // namespace

int ExtraWidthForTexts(const AppState& state) {
    int extra = 0;
    for (const ButtonRow& row : ButtonRows()) {
        if (!FindLayoutItem(state.Layout, row.Anchor)) continue;
        int growth = 0;
        for (const int id : row.Buttons) {
            if (FindLayoutItem(state.Layout, id)) growth += NeededRowButtonWidth(state, id) - DesignWidth(state, id);
        }
        const int room = DesignWidth(state, row.Anchor) - ScaleForDpi(state, row.AnchorMinimum96);
        extra = std::max(extra, growth - room);
    }
    return extra;
}

void FitTexts(const AppState& state, PlacedRects& placed) {
    for (const ButtonRow& row : ButtonRows()) FitButtonRow(state, row, placed);
    FitModeButtons(state, placed);
    FitSettings(state, placed);
    FitSearch(state, placed);
    AlignWithDropDownBoxes(state, placed);
}
