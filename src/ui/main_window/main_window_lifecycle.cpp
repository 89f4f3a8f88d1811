#include "ui/main_window/main_window_lifecycle.h"

#include <commctrl.h>
#include <shobjidl.h>

#include <string>

#include "core/event_log.h"
#include "core/localized_text.h"
#include "operations/install_source.h"
#include "platform/target_windows.h"
#include "resource_ids.h"
#include "ui/drawing/accessible_texts.h"
#include "ui/drawing/control_theme.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/palette.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_buttons.h"
#include "ui/main_window/main_window_colours.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_fonts.h"
#include "ui/main_window/main_window_hover.h"
#include "ui/main_window/main_window_keyboard.h"
#include "ui/main_window/main_window_language.h"
#include "ui/main_window/main_window_tooltips.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

constexpr int kTreeIndent96 = 16;
constexpr int kTreeItemHeight96 = 22;
constexpr TextId kWindowsPeReadyText = 80;
constexpr TextId kReadyForRefreshText = 81;
constexpr TextId kDpiLogText = 213;

HWND Control(const AppState& state, int id) { return ::GetDlgItem(state.MainWindow, id); }

// Frames lie under what they frame; the help button over the title.
void ArrangeZOrder(const AppState& state) {
    for (const int id : {IDC_DETAILS_FRAME, IDC_BOTTOM_PANEL, IDC_SEARCH_FRAME}) {
        if (HWND frame = Control(state, id))
            ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (HWND help = Control(state, IDC_HELP_BUTTON))
        ::SetWindowPos(help, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void LoadWindowIcons(AppState& state) {
    for (HICON icon : {state.AppIconLarge, state.AppIconSmall}) {
        if (icon) ::DestroyIcon(icon);
    }
    const auto load = [&](int metric) {
        const int size = SystemMetricForDpi(metric, state.Dpi);
        return static_cast<HICON>(
            ::LoadImageW(state.Instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    };
    state.AppIconLarge = load(SM_CXICON);
    state.AppIconSmall = load(SM_CXSMICON);
    HWND window = state.MainWindow;
    if (state.AppIconLarge) {
        ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state.AppIconLarge));
        ::SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(state.AppIconLarge));
    }
    if (state.AppIconSmall) {
        ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state.AppIconSmall));
        ::SetClassLongPtrW(window, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(state.AppIconSmall));
    }
}

void SetUpProgressBar(const AppState& state) {
    HWND bar = Control(state, IDC_PROGRESS);
    if (!bar) return;
    StyleProgressBar(bar);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    ::ShowWindow(bar, SW_HIDE);
}

void SetTreeMetrics(AppState& state) {
    HWND tree = Control(state, IDC_PACKAGE_TREE);
    if (!tree) return;
    TreeView_SetIndent(tree, ScaleForDpi(state, kTreeIndent96));
    TreeView_SetItemHeight(tree, ScaleForDpi(state, kTreeItemHeight96));
    ApplyPaddedCheckImages(state);
}

void SetUpTree(AppState& state) {
    HWND tree = Control(state, IDC_PACKAGE_TREE);
    if (!tree) return;
    TreeView_SetExtendedStyle(tree, TVS_EX_DOUBLEBUFFER | TVS_EX_PARTIALCHECKBOXES,
                              TVS_EX_DOUBLEBUFFER | TVS_EX_PARTIALCHECKBOXES);
    ApplyExplorerTheme(tree);
    SetTreeMetrics(state);
    ::SetWindowPos(tree, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void ThemeInputs(const AppState& state) {
    for (const int id : {IDC_TARGET, IDC_LANGUAGE, IDC_SEARCH, IDC_SOURCE_PATH, IDC_SEVEN_ZIP_CHOICE}) {
        if (HWND control = Control(state, id)) ApplyExplorerTheme(control);
    }
}

template <typename Handle, typename Release>
void ReleaseHandle(Handle& handle, Release release) {
    if (handle) release(handle);
    handle = nullptr;
}

}  // namespace

bool OnInitMainWindow(HWND window, AppState& state) {
    state.MainWindow = window;
    state.Events.MainWindow = window;
    state.Dpi = WindowDpi(window);
    RecordWindowLayout(state);
    FollowSystemColours(state);
    ArrangeZOrder(state);
    LoadWindowIcons(state);
    ::SetCurrentProcessExplicitAppUserModelID(L"Tavrin.Quillbay");
    SetUpProgressBar(state);
    MarkAsLiveRegion(Control(state, IDC_STATUS_LINE));
    ApplyMainWindowFonts(state);
    LoadHelpIcon(state);
    state.DriveIcon = SystemDriveIcon();
    InstallControlSubclasses(state);
    TrackMainWindowButtonHover(state);
    SetUpTree(state);
    ThemeInputs(state);
    CreateMainWindowTooltips(state);

    (void)RefreshSevenZipState(state);
    state.Targets = EnumerateTargets(state.Language);
    ApplyLanguage(state);
    LayoutMainWindow(state);
    CentreMainWindow(state);

    SetStatus(state, GetText(state.Language, IsWindowsPE() ? kWindowsPeReadyText : kReadyForRefreshText), 0);
    Log(state.Events, GetText(state.Language, kDpiLogText) + std::to_wstring(state.Dpi));
    if (!state.TargetRoot.empty()) ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED), 0);
    // The packages, not the language box that the arrow keys would change.
    HWND tree = Control(state, IDC_PACKAGE_TREE);
    if (!tree) return false;
    ::SetFocus(tree);
    return true;
}

void OnMainWindowDpiChanged(AppState& state, UINT dpi, const RECT& suggested) {
    state.SplitterOffset = ::MulDiv(state.SplitterOffset, static_cast<int>(dpi), static_cast<int>(state.Dpi));
    state.Dpi = dpi;
    ::SetWindowPos(state.MainWindow, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyMainWindowFonts(state);
    LoadHelpIcon(state);
    LoadWindowIcons(state);
    ScaleMainWindowTooltips(state);
    SetTreeMetrics(state);
    LayoutMainWindow(state);
    ::RedrawWindow(state.MainWindow, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void OnMainWindowActivated(AppState& state) {
    if (!state.Layout.Ready || state.Busy) return;
    if (RefreshSevenZipState(state)) UpdateModeControls(state);
}

void OnDestroyMainWindow(HWND window, AppState& state) {
    ::KillTimer(window, kHelpHideTimer);
    if (state.Events.LogWindow && ::IsWindow(state.Events.LogWindow)) ::DestroyWindow(state.Events.LogWindow);
    state.Events.LogWindow = nullptr;
    DestroyMainWindowTooltips(state);
    // The tree lets go of the padded images before both lists go.
    if (HWND tree = ::GetDlgItem(window, IDC_PACKAGE_TREE)) TreeView_SetImageList(tree, nullptr, TVSIL_STATE);
    ReleaseHandle(state.PaddedCheckImages, ::ImageList_Destroy);
    ReleaseHandle(state.OriginalCheckImages, ::ImageList_Destroy);
    DeleteMainWindowFonts(state);
    for (HBRUSH* brush : {&state.BackgroundBrush, &state.WhiteBrush, &state.HeaderBrush})
        ReleaseHandle(*brush, ::DeleteObject);
    // The dialog class is shared; it must not keep icons about to be destroyed.
    ::SetClassLongPtrW(window, GCLP_HICON, 0);
    ::SetClassLongPtrW(window, GCLP_HICONSM, 0);
    for (HICON* icon : {&state.HelpIcon, &state.DriveIcon, &state.AppIconLarge, &state.AppIconSmall})
        ReleaseHandle(*icon, ::DestroyIcon);
    DiscardExtractedSource(state.ExtractedSourceFolder);
    state.Layout.Ready = false;
    if (state.MainWindow == window) {
        state.MainWindow = nullptr;
        state.Events.MainWindow = nullptr;
    }
}
