#include "ui/main_window/main_window.h"

#include <windowsx.h>

#include <exception>

#include "core/event_log.h"
#include "core/text_encoding.h"
#include "ui/details/details_pane.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_buttons.h"
#include "ui/main_window/main_window_colours.h"
#include "ui/main_window/main_window_commands.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_hover.h"
#include "ui/main_window/main_window_keyboard.h"
#include "ui/main_window/main_window_lifecycle.h"
#include "ui/main_window/main_window_paint.h"
#include "ui/main_window/main_window_splitter.h"
#include "ui/main_window/main_window_tooltips.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

AppState* StateOf(HWND window) { return reinterpret_cast<AppState*>(::GetWindowLongPtrW(window, DWLP_USER)); }

INT_PTR Answer(HWND window, LRESULT result) {
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR OnNotify(HWND window, AppState& state, NMHDR& header) {
    if (AnswerTooltipText(state, header)) return TRUE;
    LRESULT result = 0;
    if (header.idFrom == IDC_PACKAGE_TREE && HandlePackageTreeNotify(state, header, result)) return Answer(window, result);
    return FALSE;
}

INT_PTR OnSize(AppState& state) {
    HWND window = state.MainWindow;
    if (!state.Layout.Ready || ::IsIconic(window)) return FALSE;
    ::SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    LayoutMainWindow(state);
    ::SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    return TRUE;
}

INT_PTR OnMinMaxInfo(AppState& state, MINMAXINFO& info) {
    if (!state.Layout.Ready) return FALSE;
    const SIZE minimum = MainWindowMinTrackSize(state);
    info.ptMinTrackSize = {minimum.cx, minimum.cy};
    return TRUE;
}

// Client coordinates for mouse messages, screen coordinates for the wheel.
POINT PointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

INT_PTR HandleMessage(HWND window, AppState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_APP_LOG: Log(state.Events, *reinterpret_cast<const std::wstring*>(lParam)); return TRUE;
    case WM_APP_STATUS: OnStatusMessage(state, lParam); return TRUE;
    case WM_COMMAND: OnMainWindowCommand(state, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_NOTIFY: return OnNotify(window, state, *reinterpret_cast<NMHDR*>(lParam));
    case WM_CLOSE: CloseMainWindow(state); return TRUE;
    case WM_SIZE: return OnSize(state);
    case WM_GETMINMAXINFO: return OnMinMaxInfo(state, *reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_SYSCOLORCHANGE:
        FollowSystemColours(state);
        return TRUE;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETHIGHCONTRAST) FollowSystemColours(state);
        return FALSE;
    case WM_DPICHANGED:
        OnMainWindowDpiChanged(state, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) OnMainWindowActivated(state);
        return FALSE;
    case WM_HELP:
        if (!state.Busy) ShowAboutDialog(state);
        return TRUE;
    case WM_TIMER:
        if (wParam == kHelpHideTimer) {
            OnHelpHideTimer(state);
            return TRUE;
        }
        return OnDropDownIdle(state, wParam) ? TRUE : FALSE;
    case WM_HSCROLL:
        if (lParam) return FALSE;
        ScrollMainWindow(state, wParam);
        return TRUE;
    case WM_VSCROLL:
        if (::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_DETAILS_SCROLL) return FALSE;
        ScrollDetailsPane(state, wParam);
        return TRUE;
    case WM_MOUSEWHEEL:
        return WheelOverDetails(state, PointOf(lParam), GET_WHEEL_DELTA_WPARAM(wParam)) ? TRUE : FALSE;
    case WM_SETCURSOR: return SetSplitterCursor(state) ? Answer(window, TRUE) : FALSE;
    case WM_LBUTTONDOWN: return OnSplitterButtonDown(state, PointOf(lParam)) ? TRUE : FALSE;
    case WM_MOUSEMOVE: return OnSplitterMove(state, PointOf(lParam)) ? TRUE : FALSE;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: EndSplitterDrag(state); return FALSE;
    case WM_PAINT: PaintMainWindow(state); return TRUE;
    case WM_PRINTCLIENT: DrawMainWindowSurface(state, reinterpret_cast<HDC>(wParam)); return TRUE;
    case WM_ERASEBKGND: return Answer(window, TRUE);
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return DrawMainWindowFrame(state, item) || DrawMainWindowButton(state, item) ? TRUE : FALSE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
        return reinterpret_cast<INT_PTR>(
            MainWindowControlColour(state, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message));
    case WM_DESTROY: OnDestroyMainWindow(window, state); return FALSE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // No exception may unwind through the system's dialog code.
    try {
        if (message == WM_INITDIALOG) {
            auto* state = reinterpret_cast<AppState*>(lParam);
            ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
            return OnInitMainWindow(window, *state) ? FALSE : TRUE;
        }
        AppState* state = StateOf(window);
        return state ? HandleMessage(window, *state, message, wParam, lParam) : FALSE;
    } catch (const std::exception& error) {
        if (AppState* state = StateOf(window)) Log(state->Events, L"ERROR: " + Utf8ToWide(error.what()));
        return FALSE;
    } catch (...) {
        if (AppState* state = StateOf(window)) Log(state->Events, L"ERROR: unexpected failure in the main window");
        return FALSE;
    }
}
