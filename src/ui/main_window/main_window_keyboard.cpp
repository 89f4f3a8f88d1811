#include "ui/main_window/main_window_keyboard.h"

#include <commctrl.h>
#include <windowsx.h>

#include "ui/details/details_pane.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_hover.h"
#include "ui/main_window/main_window_modes.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr WPARAM kCtrlFCharacter = 0x06;
// What Windows posts beside the key-down of F1 and turns into WM_HELP; the
// key-down opens the about box here, so the second request is dropped.
constexpr UINT kKeyF1Message = 0x004D;

bool IsSearchBox(HWND control) { return ::GetDlgCtrlID(control) == IDC_SEARCH; }
bool IsHoverTarget(HWND control) {
    const int id = ::GetDlgCtrlID(control);
    return id == IDC_MODE_TITLE || id == IDC_HELP_BUTTON;
}
bool IsModeButton(HWND control) {
    const int id = ::GetDlgCtrlID(control);
    return id == IDC_MODE_BACKUP || id == IDC_MODE_REMOVAL || id == IDC_MODE_INSTALLATION;
}
bool CtrlOnly() { return ::GetKeyState(VK_CONTROL) < 0 && ::GetKeyState(VK_MENU) >= 0; }

// A non-empty query claims Esc from the dialog manager, which would close the window.
bool SearchWantsEscape(HWND control, LPARAM message) {
    const auto* msg = reinterpret_cast<const MSG*>(message);
    return IsSearchBox(control) && msg && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE &&
           ::GetWindowTextLengthW(control) > 0;
}

LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    AppState& state = *reinterpret_cast<AppState*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        if (SearchWantsEscape(control, lParam)) return ::DefSubclassProc(control, message, wParam, lParam) | DLGC_WANTMESSAGE;
        break;
    case WM_KEYDOWN:
        if (wParam == VK_F1) {
            if (!state.Busy) ShowAboutDialog(state);
            return 0;
        }
        if (wParam == 'F' && CtrlOnly()) {
            FocusSearchBox(state);
            return 0;
        }
        if (wParam == VK_ESCAPE && IsSearchBox(control)) {
            if (::GetWindowTextLengthW(control) > 0) ::SetWindowTextW(control, L"");
            return 0;
        }
        break;
    case kKeyF1Message: return 0;
    case WM_CHAR:
        if (wParam == kCtrlFCharacter || (wParam == VK_ESCAPE && IsSearchBox(control))) return 0;
        break;
    case WM_MOUSEWHEEL:
        if (WheelOverDetails(state, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, GET_WHEEL_DELTA_WPARAM(wParam)))
            return 0;
        break;
    case WM_MOUSEMOVE:
        if (IsHoverTarget(control)) OnHoverMove(state, control);
        break;
    case WM_MOUSELEAVE:
        if (IsHoverTarget(control)) OnHoverLeave(state, control);
        break;
    case WM_SETCURSOR:
        if (IsHoverTarget(control)) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    case WM_CAPTURECHANGED:
    case WM_KILLFOCUS:
        // A press that ends without a click leaves the selected segment released.
        if (IsModeButton(control)) {
            const LRESULT result = ::DefSubclassProc(control, message, wParam, lParam);
            MarkSelectedModeButton(state);
            return result;
        }
        break;
    case WM_NCDESTROY: ::RemoveWindowSubclass(control, ControlProc, kSubclassId); break;
    default: break;
    }
    return ::DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void InstallControlSubclasses(AppState& state) {
    for (HWND child = ::GetWindow(state.MainWindow, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SetWindowSubclass(child, ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&state));
}

void FocusSearchBox(AppState& state) {
    HWND search = ::GetDlgItem(state.MainWindow, IDC_SEARCH);
    if (!search || !::IsWindowEnabled(search)) return;
    ::SetFocus(search);
    ::SendMessageW(search, EM_SETSEL, 0, -1);
}

bool WheelOverDetails(AppState& state, POINT screenPoint, int wheelDelta) {
    HWND frame = ::GetDlgItem(state.MainWindow, IDC_DETAILS_FRAME);
    RECT card{};
    if (!frame || !::GetWindowRect(frame, &card) || !::PtInRect(&card, screenPoint)) return false;
    WheelDetailsPane(state, wheelDelta);
    return true;
}
