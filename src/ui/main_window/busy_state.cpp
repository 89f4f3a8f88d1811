#include "ui/main_window/busy_state.h"

#include <windows.h>

#include <commctrl.h>

#include "core/localized_text.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_enabling.h"
#include "ui/main_window/main_window_hover.h"
#include "ui/main_window/main_window_tooltips.h"
#include "ui/main_window/status_line.h"

namespace {

// Everything that could start a second job or change what the running one works
// on, and the selection buttons, which do nothing meanwhile. Log stays usable;
// the action button cancels.
constexpr int kLockedWhileBusy[] = {
    IDC_MODE_TITLE,      IDC_HELP_BUTTON,   IDC_LANGUAGE,         IDC_TARGET,       IDC_CHOOSE_TARGET, IDC_REFRESH,
    IDC_MODE_BACKUP,     IDC_MODE_REMOVAL,  IDC_MODE_INSTALLATION, IDC_SETTINGS,    IDC_SEARCH,        IDC_PACKAGE_TREE,
    IDC_SOURCE_PATH,     IDC_BROWSE_SOURCE, IDC_SEVEN_ZIP_CHOICE, IDC_RESET_SEARCH, IDC_CLEAR_SELECTION, IDC_SELECT_ALL,
};

void EnableItem(HWND window, int id, bool enable) {
    if (HWND item = ::GetDlgItem(window, id)) ::EnableWindow(item, enable);
}

bool Usable(HWND control) {
    return ::IsWindow(control) && ::IsWindowEnabled(control) &&
           (::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

// Disabling the focused control would leave the keyboard nowhere: the focus
// waits on the Cancel button and remembers where it came from.
void ParkFocus(AppState& state, HWND action) {
    HWND focus = ::GetFocus();
    if (!focus || !::IsChild(state.MainWindow, focus)) return;
    state.FocusBeforeBusy = focus;
    if (action && focus != action) ::SetFocus(action);
}

// Back where it was, or on the tree when that control is gone; unless the user
// has taken the focus to another window meanwhile.
void RestoreFocus(AppState& state, HWND action) {
    HWND saved = state.FocusBeforeBusy;
    state.FocusBeforeBusy = nullptr;
    if (!saved) return;
    HWND focus = ::GetFocus();
    if (focus && focus != action && !::IsChild(state.MainWindow, focus)) return;
    HWND target = Usable(saved) ? saved : ::GetDlgItem(state.MainWindow, IDC_PACKAGE_TREE);
    if (target && target != focus) ::SetFocus(target);
}

}  // namespace

void SetBusy(AppState& state, bool busy) {
    const bool entering = busy && !state.Busy;
    if (entering) state.CancelRequested.store(false);
    state.Busy = busy;

    HWND window = state.MainWindow;
    SetProgressMarquee(state, false);
    if (HWND bar = ::GetDlgItem(window, IDC_PROGRESS)) {
        if (busy) ::SendMessageW(bar, PBM_SETPOS, 0, 0);
        ::ShowWindow(bar, busy ? SW_SHOW : SW_HIDE);
    }
    HWND action = ::GetDlgItem(window, IDC_ACTION);
    if (busy) {
        EndTitleHover(state);
        if (action) {
            ::EnableWindow(action, TRUE);
            ::SetWindowTextW(action, GetText(state.Language, 170));
        }
        if (entering) ParkFocus(state, action);
        EnableItem(window, IDC_SELECT_OLD_DRIVERS, false);
    }
    for (int id : kLockedWhileBusy) EnableItem(window, id, !busy);
    if (!busy) {
        if (action) ::SetWindowTextW(action, GetText(state.Language, ModeActionText(state.Mode)));
        // "Select old drivers" and the action itself need a list that still
        // belongs to the chosen target and packages checked in it.
        UpdateOldDriversButton(state);
        UpdateSelectionSummary(state);
        RestoreFocus(state, action);
    }
    // Its glyph and colours follow the busy state even when its text does not change.
    if (action) ::InvalidateRect(action, nullptr, FALSE);
    UpdateSevenZipHint(state);
    LayoutMainWindow(state);
    if (!busy && state.CloseRequested && window) ::PostMessageW(window, WM_CLOSE, 0, 0);
}

void RequestCancel(AppState& state) {
    state.CancelRequested.exchange(true);
    SetStatus(state, GetText(state.Language, 175), kProgressUnchanged);
}

bool DeferCloseWhileBusy(AppState& state) {
    if (!state.Busy) return false;
    state.CloseRequested = true;
    state.CancelRequested.exchange(true);
    return true;
}
