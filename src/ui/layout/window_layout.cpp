#include "ui/layout/window_layout.h"

#include <algorithm>

#include "ui/details/details_pane.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/window_text.h"
#include "ui/layout/window_layout_fit.h"
#include "ui/main_window/main_window_controls.h"

namespace {

struct ControlAnchors {
    int ControlId;
    unsigned Anchors;
};

// Controls not listed stay fixed to the top left.
constexpr ControlAnchors kAnchors[] = {
    {IDC_MODE_TITLE, AnchorWidth},
    {IDC_HELP_BUTTON, AnchorRight},
    {IDC_MODE_SUBTITLE, AnchorWidth},
    {IDC_LANGUAGE, AnchorRight},
    {IDC_LOG_BUTTON, AnchorRight},
    {IDC_TARGET, AnchorWidth},
    {IDC_CHOOSE_TARGET, AnchorRight},
    {IDC_REFRESH, AnchorRight},
    {IDC_SETTINGS, AnchorRight},
    {IDC_PACKAGE_COUNT, AnchorRight},
    {IDC_PACKAGE_TREE, AnchorHeight},
    {IDC_DETAILS_FRAME, AnchorWidth | AnchorHeight},
    {IDC_DETAILS_TITLE, AnchorWidth},
    {IDC_DETAILS_BADGE, AnchorRight},
    {IDC_DETAILS_VALUE_0, AnchorWidth},
    {IDC_DETAILS_VALUE_1, AnchorWidth},
    {IDC_DETAILS_VALUE_2, AnchorWidth},
    {IDC_DETAILS_VALUE_3, AnchorWidth},
    {IDC_DETAILS_VALUE_4, AnchorWidth},
    {IDC_DETAILS_VALUE_5, AnchorWidth},
    {IDC_DETAILS_VALUE_6, AnchorWidth},
    {IDC_DETAILS_VALUE_7, AnchorWidth},
    {IDC_DETAILS_EXPLANATION, AnchorWidth},
    {IDC_DETAILS_SCROLL, AnchorRight | AnchorHeight},
    {IDC_DETAILS_PLACEHOLDER, AnchorWidth},
    {IDC_BOTTOM_PANEL, AnchorBottom | AnchorWidth},
    {IDC_PATH_LABEL, AnchorBottom},
    {IDC_SOURCE_PATH, AnchorBottom | AnchorWidth},
    {IDC_BROWSE_SOURCE, AnchorRight | AnchorBottom},
    {IDC_SEVEN_ZIP_CHOICE, AnchorRight | AnchorBottom},
    {IDC_HINT, AnchorRight | AnchorBottom},
    {IDC_SELECTION_SUMMARY, AnchorBottom},
    {IDC_SELECT_OLD_DRIVERS, AnchorRight | AnchorBottom},
    {IDC_CLEAR_SELECTION, AnchorRight | AnchorBottom},
    {IDC_SELECT_ALL, AnchorRight | AnchorBottom},
    {IDC_ACTION, AnchorRight | AnchorBottom},
    {IDC_STATUS_LINE, AnchorBottom | AnchorWidth},
    {IDC_PROGRESS, AnchorRight | AnchorBottom},
};

// Which edges of a control follow the splitter between tree and details.
enum SplitterEdges : unsigned { SplitLeft = 1, SplitRight = 2 };

unsigned SplitterEdgesOf(int id) {
    if (id == IDC_PACKAGE_TREE || id == IDC_SEARCH_FRAME) return SplitRight;
    if (id >= IDC_DETAILS_LABEL_0 && id <= IDC_DETAILS_LABEL_7) return SplitLeft | SplitRight;
    if (id >= IDC_DETAILS_VALUE_0 && id <= IDC_DETAILS_VALUE_7) return SplitLeft;
    switch (id) {
    case IDC_DETAILS_FRAME:
    case IDC_DETAILS_TITLE:
    case IDC_DETAILS_EXPLANATION:
    case IDC_DETAILS_PLACEHOLDER:
    case IDC_RESET_SEARCH:
    // The count label starts where the details card starts; it would otherwise
    // lie under a widened search frame.
    case IDC_PACKAGE_COUNT: return SplitLeft;
    default: return 0;
    }
}

// The details pane places these itself, from their design rectangles.
bool PlacedByDetailsPane(int id) {
    if (id >= IDC_DETAILS_LABEL_0 && id <= IDC_DETAILS_LABEL_7) return true;
    if (id >= IDC_DETAILS_VALUE_0 && id <= IDC_DETAILS_VALUE_7) return true;
    switch (id) {
    case IDC_DETAILS_TITLE:
    case IDC_DETAILS_BADGE:
    case IDC_DETAILS_EXPLANATION:
    case IDC_DETAILS_SCROLL:
    case IDC_DETAILS_PLACEHOLDER:
    case IDC_RESET_SEARCH: return true;
    default: return false;
    }
}

unsigned AnchorsOf(int id) {
    for (const ControlAnchors& entry : kAnchors) {
        if (entry.ControlId == id) return entry.Anchors;
    }
    return 0;
}

constexpr int kSplitterMinTree96 = 180;
constexpr int kSplitterMinDetails96 = 330;
constexpr int kHelpButtonGap96 = 8;
constexpr int kScrollLine96 = 24;
constexpr int kWorkAreaMargin96 = 12;

int ScaleFromBase(const AppState& state, int value) {
    return ::MulDiv(value, static_cast<int>(state.Dpi), static_cast<int>(state.Layout.BaseDpi));
}

SIZE ScaledDesignClient(const AppState& state) {
    return {ScaleFromBase(state, state.Layout.DesignClient.cx), ScaleFromBase(state, state.Layout.DesignClient.cy)};
}

// The rectangle before the splitter: scaled and anchored to the content size.
RECT AnchoredRect(const AppState& state, const LayoutItem& item) {
    RECT r = ScaledDesignRect(state, item);
    const SIZE design = ScaledDesignClient(state);
    const int extraWidth = state.Layout.ContentWidth - design.cx;
    const int extraHeight = state.Layout.ContentHeight - design.cy;
    if (item.Anchors & AnchorRight) ::OffsetRect(&r, extraWidth, 0);
    if (item.Anchors & AnchorWidth) r.right += extraWidth;
    if (item.Anchors & AnchorBottom) ::OffsetRect(&r, 0, extraHeight);
    if (item.Anchors & AnchorHeight) r.bottom += extraHeight;
    return r;
}

int AnchoredWidth(const AppState& state, int id) {
    const LayoutItem* item = FindLayoutItem(state.Layout, id);
    return item ? RectWidth(AnchoredRect(state, *item)) : 0;
}

RECT PlacedRect(const AppState& state, const LayoutItem& item, int splitter) {
    RECT r = AnchoredRect(state, item);
    const unsigned edges = SplitterEdgesOf(item.ControlId);
    if (edges & SplitLeft) r.left += splitter;
    if (edges & SplitRight) r.right += splitter;
    return r;
}

int MinimumContentWidth(const AppState& state) {
    return ScaledDesignClient(state).cx + ExtraWidthForTexts(state);
}

// Client size with no scroll bar shown; the bars are as thick as the window's DPI makes them.
SIZE FullClientSize(HWND window, UINT dpi) {
    RECT client{};
    ::GetClientRect(window, &client);
    SIZE size{RectWidth(client), RectHeight(client)};
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    if (style & WS_HSCROLL) size.cy += SystemMetricForDpi(SM_CYHSCROLL, dpi);
    if (style & WS_VSCROLL) size.cx += SystemMetricForDpi(SM_CXVSCROLL, dpi);
    return size;
}

SIZE WindowSizeForClient(const AppState& state, SIZE client) {
    RECT rect{0, 0, client.cx, client.cy};
    const DWORD style =
        static_cast<DWORD>(::GetWindowLongPtrW(state.MainWindow, GWL_STYLE)) & ~(WS_HSCROLL | WS_VSCROLL);
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(state.MainWindow, GWL_EXSTYLE));
    AdjustWindowRectForDpi(rect, style, exStyle, state.Dpi);
    return {RectWidth(rect), RectHeight(rect)};
}

// A window smaller than the minimum tracking size (after a DPI or language
// change) first grows to it.
void EnforceMinimumSize(const AppState& state) {
    HWND window = state.MainWindow;
    if (::IsIconic(window) || ::IsZoomed(window)) return;
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const SIZE minimum = MainWindowMinTrackSize(state);
    if (RectWidth(rect) >= minimum.cx && RectHeight(rect) >= minimum.cy) return;
    ::SetWindowPos(window, nullptr, 0, 0, std::max<int>(RectWidth(rect), minimum.cx),
                   std::max<int>(RectHeight(rect), minimum.cy), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The help button follows the end of the title's text; it never reaches the
// language box nor starts before the title.
void PlaceHelpButton(const AppState& state, PlacedRects& placed) {
    const auto help = placed.find(IDC_HELP_BUTTON);
    const auto title = placed.find(IDC_MODE_TITLE);
    const auto language = placed.find(IDC_LANGUAGE);
    if (help == placed.end() || title == placed.end()) return;
    const LayoutItem* item = FindLayoutItem(state.Layout, IDC_HELP_BUTTON);
    const int side = RectWidth(ScaledDesignRect(state, *item));
    HWND titleControl = ::GetDlgItem(state.MainWindow, IDC_MODE_TITLE);
    const int textWidth = TextWidthIn(titleControl, nullptr, WindowTextOf(titleControl));
    const int gap = ScaleForDpi(state, kHelpButtonGap96);
    int left = title->second.left + textWidth + gap;
    if (language != placed.end()) left = std::min<int>(left, language->second.left - gap - side);
    left = std::max<int>(left, title->second.left);
    const int top = title->second.top + (RectHeight(title->second) - side) / 2;
    help->second = {left, top, left + side, top + side};
}

void MoveControls(const AppState& state, const PlacedRects& placed) {
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(placed.size()));
    for (const LayoutItem& item : state.Layout.Items) {
        if (PlacedByDetailsPane(item.ControlId)) continue;
        const auto found = placed.find(item.ControlId);
        if (found == placed.end() || !item.Window) continue;
        RECT r = found->second;
        ::OffsetRect(&r, -state.Layout.ScrollX, -state.Layout.ScrollY);
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (batch) {
            batch = ::DeferWindowPos(batch, item.Window, nullptr, r.left, r.top, RectWidth(r), RectHeight(r), flags);
        } else {
            ::SetWindowPos(item.Window, nullptr, r.left, r.top, RectWidth(r), RectHeight(r), flags);
        }
    }
    if (batch) ::EndDeferWindowPos(batch);
}

void SetHorizontalScrollBar(const AppState& state, int available) {
    const WindowLayout& layout = state.Layout;
    const bool needed = layout.ContentWidth > available;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = needed ? layout.ContentWidth - 1 : 0;
    info.nPage = needed ? static_cast<UINT>(available) : 0;
    info.nPos = layout.ScrollX;
    ::SetScrollInfo(state.MainWindow, SB_HORZ, &info, TRUE);
    ::ShowScrollBar(state.MainWindow, SB_HORZ, needed);
    ::ShowScrollBar(state.MainWindow, SB_VERT, FALSE);
}

}  // namespace

int ScaleForDpi(const AppState& state, int value) { return ScaleToDpi(value, state.Dpi); }

const LayoutItem* FindLayoutItem(const WindowLayout& layout, int controlId) {
    for (const LayoutItem& item : layout.Items) {
        if (item.ControlId == controlId) return &item;
    }
    return nullptr;
}

RECT ScaledDesignRect(const AppState& state, const LayoutItem& item) {
    return {ScaleFromBase(state, item.Design.left), ScaleFromBase(state, item.Design.top),
            ScaleFromBase(state, item.Design.right), ScaleFromBase(state, item.Design.bottom)};
}

void RecordWindowLayout(AppState& state) {
    WindowLayout& layout = state.Layout;
    HWND window = state.MainWindow;
    layout = WindowLayout{};
    layout.BaseDpi = state.Dpi;
    RECT client{};
    ::GetClientRect(window, &client);
    layout.DesignClient = {RectWidth(client), RectHeight(client)};
    RECT frame{};
    ::GetWindowRect(window, &frame);
    layout.DesignWindow = {RectWidth(frame), RectHeight(frame)};
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        LayoutItem item;
        item.ControlId = ::GetDlgCtrlID(child);
        item.Window = child;
        ::GetWindowRect(child, &item.Design);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&item.Design), 2);
        item.Anchors = AnchorsOf(item.ControlId);
        layout.Items.push_back(item);
    }
    layout.ContentWidth = layout.DesignClient.cx;
    layout.ContentHeight = layout.DesignClient.cy;
    layout.Ready = true;
}

int ClampSplitterOffset(const AppState& state, int offset) {
    const int tree = AnchoredWidth(state, IDC_PACKAGE_TREE);
    const int details = AnchoredWidth(state, IDC_DETAILS_FRAME);
    const int lowest = ScaleForDpi(state, kSplitterMinTree96) - tree;
    const int highest = details - ScaleForDpi(state, kSplitterMinDetails96);
    // Where both minimums cannot hold, the tree keeps its own.
    return std::max(lowest, std::min(offset, highest));
}

RECT PlacedDesignRect(const AppState& state, int controlId) {
    const LayoutItem* item = FindLayoutItem(state.Layout, controlId);
    if (!item || !state.Layout.Ready) return {};
    RECT r = PlacedRect(state, *item, ClampSplitterOffset(state, state.SplitterOffset));
    ::OffsetRect(&r, -state.Layout.ScrollX, -state.Layout.ScrollY);
    return r;
}

SIZE MainWindowMinTrackSize(const AppState& state) {
    const SIZE content{MinimumContentWidth(state), ScaledDesignClient(state).cy};
    SIZE window = WindowSizeForClient(state, content);
    const RECT work = MonitorWorkArea(state.MainWindow, state.Dpi);
    window.cx = std::min<LONG>(window.cx, RectWidth(work));
    window.cy = std::min<LONG>(window.cy, RectHeight(work));
    return window;
}

void CentreMainWindow(AppState& state) {
    HWND window = state.MainWindow;
    if (!state.Layout.Ready || ::IsIconic(window) || ::IsZoomed(window)) return;
    RECT rect{};
    ::GetWindowRect(window, &rect);
    const SIZE minimum = MainWindowMinTrackSize(state);
    RECT work = MonitorWorkArea(window, state.Dpi);
    const int margin = ScaleForDpi(state, kWorkAreaMargin96);
    if (RectWidth(work) > 2 * margin && RectHeight(work) > 2 * margin) ::InflateRect(&work, -margin, -margin);
    const int width = std::min<int>(std::max<int>(RectWidth(rect), minimum.cx), RectWidth(work));
    const int height = std::min<int>(std::max<int>(RectHeight(rect), minimum.cy), RectHeight(work));
    ::SetWindowPos(window, nullptr, work.left + (RectWidth(work) - width) / 2, work.top + (RectHeight(work) - height) / 2,
                   width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayoutMainWindow(AppState& state) {
    WindowLayout& layout = state.Layout;
    HWND window = state.MainWindow;
    if (!layout.Ready || layout.InLayout || !window) return;
    layout.InLayout = true;

    EnforceMinimumSize(state);
    const SIZE full = FullClientSize(window, state.Dpi);
    const int minimumWidth = MinimumContentWidth(state);
    const int available = full.cx;
    const int availableHeight = full.cy - (full.cx < minimumWidth ? SystemMetricForDpi(SM_CYHSCROLL, state.Dpi) : 0);
    layout.ContentWidth = std::max(available, minimumWidth);
    layout.ContentHeight = availableHeight;
    layout.ScrollX = std::clamp(layout.ScrollX, 0, std::max(0, layout.ContentWidth - available));
    layout.ScrollY = 0;

    const int splitter = ClampSplitterOffset(state, state.SplitterOffset);
    PlacedRects placed;
    for (const LayoutItem& item : layout.Items) placed[item.ControlId] = PlacedRect(state, item, splitter);
    FitTexts(state, placed);
    PlaceHelpButton(state, placed);
    const auto action = placed.find(IDC_ACTION);
    const auto progress = placed.find(IDC_PROGRESS);
    if (action != placed.end() && progress != placed.end()) {
        progress->second.left = action->second.left;
        progress->second.right = action->second.right;
    }

    MoveControls(state, placed);
    SetHorizontalScrollBar(state, available);
    LayoutDetailsPane(state);
    layout.InLayout = false;
    ::InvalidateRect(window, nullptr, TRUE);
}

void ScrollMainWindow(AppState& state, WPARAM request) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!::GetScrollInfo(state.MainWindow, SB_HORZ, &info)) return;
    const int line = ScaleForDpi(state, kScrollLine96);
    const int page = static_cast<int>(info.nPage);
    int position = state.Layout.ScrollX;
    switch (LOWORD(request)) {
    case SB_LINELEFT: position -= line; break;
    case SB_LINERIGHT: position += line; break;
    case SB_PAGELEFT: position -= page; break;
    case SB_PAGERIGHT: position += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_LEFT: position = 0; break;
    case SB_RIGHT: position = info.nMax; break;
    default: return;
    }
    if (position == state.Layout.ScrollX) return;
    state.Layout.ScrollX = position;  // clamped by the layout
    LayoutMainWindow(state);
}
