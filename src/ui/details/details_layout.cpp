// Layout and scrolling of the details pane: texts wrap and push what follows
// down, the content scrolls inside the card and is clipped to it.
#include <algorithm>
#include <vector>

#include "ui/details/details_pane.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/gdi_handles.h"
#include "ui/drawing/window_text.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_controls.h"

namespace {

constexpr int kVisibleInset96 = 6;
constexpr int kScrollBarGap96 = 2;
constexpr int kScrollLine96 = 24;
constexpr int kWheelNotch96 = 48;
// Room beside the Reset search text: padding and its glyph.
constexpr int kButtonTextRoom96 = 16 + 20;

LONG Height(const RECT& r) { return r.bottom - r.top; }
LONG Width(const RECT& r) { return r.right - r.left; }

HWND Control(const AppState& state, int id) { return ::GetDlgItem(state.MainWindow, id); }

bool IsDetailsValue(HWND control) {
    const int id = ::GetDlgCtrlID(control);
    return id >= IDC_DETAILS_VALUE_0 && id < IDC_DETAILS_VALUE_0 + kDetailsRows;
}

// The height of the control's text wrapped to `width`; 0 for no text.
int WrappedTextHeight(HWND control, int width) {
    const std::wstring text = WindowTextOf(control);
    if (text.empty() || width <= 0) return 0;
    const WindowDC dc(control);
    if (!dc) return 0;
    const SelectedObject font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    // Measured as the control draws it: a static that shortens its text keeps
    // one line; the values are read-only edits, which wrap like SS_EDITCONTROL.
    const LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    UINT format = DT_CALCRECT | DT_EXPANDTABS;
    if (IsDetailsValue(control)) {
        format |= DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
    } else {
        format |= (style & SS_ELLIPSISMASK) ? DT_SINGLELINE : DT_WORDBREAK;
        if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
        if (style & SS_EDITCONTROL) format |= DT_EDITCONTROL;
    }
    RECT box{0, 0, width, 0};
    ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &box, format);
    return Height(box);
}

// A design rectangle moved to `top` and grown to fit its text, never below its design height.
RECT FitBelow(const AppState& state, int id, LONG top, bool keepDesignHeight) {
    RECT r = PlacedDesignRect(state, id);
    const int fitted = WrappedTextHeight(Control(state, id), Width(r));
    const LONG height = keepDesignHeight ? std::max<LONG>(Height(r), fitted) : fitted;
    return {r.left, top, r.right, top + height};
}

enum class Visibility { Shown, Hidden, Unchanged };

struct Placement {
    int Id;
    RECT Rect;  // content position, before the pane's scroll offset
    Visibility Show;
};

Visibility ShownIf(bool shown) { return shown ? Visibility::Shown : Visibility::Hidden; }

// Title 1013 grows with its wrapped text: 2 pixels more than the text, never below its design height.
RECT PlaceTitle(const AppState& state) {
    RECT title = PlacedDesignRect(state, IDC_DETAILS_TITLE);
    const int fitted = WrappedTextHeight(Control(state, IDC_DETAILS_TITLE), Width(title));
    title.bottom = title.top + std::max<LONG>(Height(title), fitted + ScaleToDpi(2, state.Dpi));
    return title;
}

// Rows keep their design gaps: each is pushed down by what the title and the
// rows above it grew. A row never overlaps the next, even when a value's
// design rectangle reaches into it.
LONG PlaceRows(const AppState& state, LONG push, std::vector<Placement>& placements) {
    LONG bottom = 0;
    for (int row = 0; row < kDetailsRows; ++row) {
        const int labelId = IDC_DETAILS_LABEL_0 + row;
        const int valueId = IDC_DETAILS_VALUE_0 + row;
        const bool shown = row < state.Details.RowCount;
        const LONG top = PlacedDesignRect(state, labelId).top + push;
        const RECT label = FitBelow(state, labelId, top, true);
        const RECT value = FitBelow(state, valueId, top, true);
        placements.push_back({labelId, label, ShownIf(shown)});
        placements.push_back({valueId, value, ShownIf(shown)});
        if (!shown) continue;
        bottom = std::max(label.bottom, value.bottom);
        if (row + 1 < kDetailsRows) {
            const RECT next = PlacedDesignRect(state, labelId + 1);
            const LONG gap = next.top - PlacedDesignRect(state, labelId).bottom;
            push = std::max(push, bottom + gap - next.top);
        }
    }
    return bottom;
}

void ApplyPlacement(const AppState& state, const Placement& placement, int scroll, const RECT* visible) {
    HWND control = Control(state, placement.Id);
    if (!control) return;
    RECT r = placement.Rect;
    ::OffsetRect(&r, 0, -scroll);
    ::SetWindowPos(control, nullptr, r.left, r.top, Width(r), Height(r), SWP_NOZORDER | SWP_NOACTIVATE);
    if (placement.Show != Visibility::Unchanged)
        ::ShowWindow(control, placement.Show == Visibility::Shown ? SW_SHOWNA : SW_HIDE);
    // Clipping keeps scrolled content inside the card's rounded border.
    RECT inside{};
    if (!visible || (::IntersectRect(&inside, &r, visible) && ::EqualRect(&inside, &r))) {
        ::SetWindowRgn(control, nullptr, TRUE);
        return;
    }
    ::OffsetRect(&inside, -r.left, -r.top);
    RegionHandle region(::CreateRectRgnIndirect(&inside));
    if (region && ::SetWindowRgn(control, region.get(), TRUE)) (void)region.release();
}

void SetScrollBar(const AppState& state, bool shown, int contentHeight, int page) {
    HWND bar = Control(state, IDC_DETAILS_SCROLL);
    if (!bar) return;
    const RECT r = PlacedDesignRect(state, IDC_DETAILS_SCROLL);
    ::SetWindowPos(bar, nullptr, r.left, r.top, Width(r), Height(r), SWP_NOZORDER | SWP_NOACTIVATE);
    if (shown) {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMax = contentHeight - 1;
        info.nPage = static_cast<UINT>(page);
        info.nPos = state.Details.ScrollOffset;
        ::SetScrollInfo(bar, SB_CTL, &info, TRUE);
    }
    ::ShowWindow(bar, shown ? SW_SHOWNA : SW_HIDE);
}

void LayoutPlaceholder(AppState& state, const RECT& card, const RECT& title) {
    const RECT designTitle = PlacedDesignRect(state, IDC_DETAILS_TITLE);
    const RECT designText = PlacedDesignRect(state, IDC_DETAILS_PLACEHOLDER);
    const RECT text = FitBelow(state, IDC_DETAILS_PLACEHOLDER, title.bottom + designText.top - designTitle.bottom, false);
    // Reset search keeps its design gap below the text and is as wide as its text needs.
    RECT reset = PlacedDesignRect(state, IDC_RESET_SEARCH);
    ::OffsetRect(&reset, 0, text.bottom - designText.bottom);
    HWND resetButton = Control(state, IDC_RESET_SEARCH);
    reset.right = reset.left + std::max<LONG>(Width(reset),
                                              TextWidthIn(resetButton, nullptr, WindowTextOf(resetButton)) +
                                                  ScaleToDpi(kButtonTextRoom96, state.Dpi));

    // Whether Reset search is offered is the placeholder's choice.
    std::vector<Placement> placements{
        {IDC_DETAILS_TITLE, title, Visibility::Shown},
        {IDC_DETAILS_BADGE, PlacedDesignRect(state, IDC_DETAILS_BADGE), Visibility::Hidden},
        {IDC_DETAILS_EXPLANATION, PlacedDesignRect(state, IDC_DETAILS_EXPLANATION), Visibility::Hidden},
        {IDC_DETAILS_PLACEHOLDER, text, Visibility::Shown},
        {IDC_RESET_SEARCH, reset, Visibility::Unchanged}};
    PlaceRows(state, 0, placements);
    for (const Placement& placement : placements) ApplyPlacement(state, placement, 0, nullptr);
    SetScrollBar(state, false, 0, 0);
    state.Details.ContentHeight = Height(card);
    state.Details.ScrollOffset = 0;
}

void LayoutContent(AppState& state, const RECT& card, const RECT& title) {
    std::vector<Placement> placements{{IDC_DETAILS_TITLE, title, Visibility::Shown},
                                      {IDC_DETAILS_BADGE, PlacedDesignRect(state, IDC_DETAILS_BADGE), Visibility::Shown}};
    const LONG titleGrowth = Height(title) - Height(PlacedDesignRect(state, IDC_DETAILS_TITLE));
    const LONG rowsBottom = PlaceRows(state, titleGrowth, placements);

    const LONG explanationGap =
        PlacedDesignRect(state, IDC_DETAILS_EXPLANATION).top - PlacedDesignRect(state, IDC_DETAILS_LABEL_0 + kDetailsRows - 1).bottom;
    const RECT explanation = FitBelow(state, IDC_DETAILS_EXPLANATION, rowsBottom + explanationGap, false);
    const bool explained = !WindowTextOf(Control(state, IDC_DETAILS_EXPLANATION)).empty();
    placements.push_back({IDC_DETAILS_EXPLANATION, explanation, ShownIf(explained)});
    placements.push_back({IDC_DETAILS_PLACEHOLDER, PlacedDesignRect(state, IDC_DETAILS_PLACEHOLDER), Visibility::Hidden});
    placements.push_back({IDC_RESET_SEARCH, PlacedDesignRect(state, IDC_RESET_SEARCH), Visibility::Hidden});

    // The card's design margin below the explanation ends the content.
    const LayoutItem* cardItem = FindLayoutItem(state.Layout, IDC_DETAILS_FRAME);
    const LayoutItem* explanationItem = FindLayoutItem(state.Layout, IDC_DETAILS_EXPLANATION);
    const LONG margin = cardItem && explanationItem ? ScaledDesignRect(state, *cardItem).bottom -
                                                          ScaledDesignRect(state, *explanationItem).bottom
                                                    : 0;
    const LONG contentBottom = explained ? explanation.bottom : rowsBottom;
    DetailsState& details = state.Details;
    details.ContentHeight = contentBottom - card.top + margin;

    const int cardHeight = Height(card);
    const int inset = ScaleToDpi(kVisibleInset96, state.Dpi);
    RECT visible{card.left + inset, card.top + inset, card.right - inset, card.bottom - inset};
    const bool scrolls = details.ContentHeight > cardHeight;
    if (scrolls) {
        details.ScrollOffset = std::clamp(details.ScrollOffset, 0, details.ContentHeight - cardHeight);
        visible.right = PlacedDesignRect(state, IDC_DETAILS_SCROLL).left - ScaleToDpi(kScrollBarGap96, state.Dpi);
    } else {
        details.ScrollOffset = 0;
    }
    SetScrollBar(state, scrolls, details.ContentHeight, cardHeight);
    for (const Placement& placement : placements) ApplyPlacement(state, placement, details.ScrollOffset, &visible);
}

void ScrollBy(AppState& state, int delta) {
    state.Details.ScrollOffset = std::max(0, state.Details.ScrollOffset + delta);
    LayoutDetailsPane(state);
}

}  // namespace

void LayoutDetailsPane(AppState& state) {
    if (!state.MainWindow || !state.Layout.Ready || !FindLayoutItem(state.Layout, IDC_DETAILS_FRAME)) return;
    const RECT card = PlacedDesignRect(state, IDC_DETAILS_FRAME);
    const RECT title = PlaceTitle(state);
    if (state.Details.Key.empty())
        LayoutPlaceholder(state, card, title);
    else
        LayoutContent(state, card, title);
}

void ScrollDetailsPane(AppState& state, WPARAM scrollRequest) {
    HWND bar = Control(state, IDC_DETAILS_SCROLL);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!bar || !::GetScrollInfo(bar, SB_CTL, &info)) return;
    const int line = ScaleToDpi(kScrollLine96, state.Dpi);
    const int page = static_cast<int>(info.nPage);
    switch (LOWORD(scrollRequest)) {
    case SB_LINEUP: ScrollBy(state, -line); break;
    case SB_LINEDOWN: ScrollBy(state, line); break;
    case SB_PAGEUP: ScrollBy(state, -page); break;
    case SB_PAGEDOWN: ScrollBy(state, page); break;
    case SB_TOP: ScrollBy(state, -state.Details.ScrollOffset); break;
    case SB_BOTTOM: ScrollBy(state, state.Details.ContentHeight); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollBy(state, info.nTrackPos - state.Details.ScrollOffset); break;
    default: break;
    }
}

void RevealInDetailsPane(AppState& state, HWND control) {
    if (state.Details.Key.empty() || !control) return;
    RECT card{};
    RECT shown{};
    if (!::GetWindowRect(::GetDlgItem(state.MainWindow, IDC_DETAILS_FRAME), &card) || !::GetWindowRect(control, &shown))
        return;
    const int inset = ScaleToDpi(kVisibleInset96, state.Dpi);
    const LONG above = shown.top - (card.top + inset);
    const LONG below = shown.bottom - (card.bottom - inset);
    if (above < 0)
        ScrollBy(state, above);
    else if (below > 0)
        ScrollBy(state, std::min(above, below));
}

void WheelDetailsPane(AppState& state, int wheelDelta) {
    ScrollBy(state, -::MulDiv(wheelDelta, ScaleToDpi(kWheelNotch96, state.Dpi), WHEEL_DELTA));
}
