#include "ui/main_window.h"

#include "resource_ids.h"
#include "ui/app_state.h"
#include "ui/busy_state.h"
#include "ui/status_line.h"

namespace {

AppState* StateOf(HWND window) { return reinterpret_cast<AppState*>(::GetWindowLongPtrW(window, DWLP_USER)); }

INT_PTR OnInitDialog(HWND window, AppState& state) {
    state.MainWindow = window;
    state.Events.MainWindow = window;
    HICON icon = static_cast<HICON>(::LoadImageW(state.Instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0,
                                                 LR_DEFAULTSIZE | LR_SHARED));
    if (icon) {
        ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    return TRUE;
}

void OnClose(HWND window, AppState& state) {
    state.Events.MainWindow = nullptr;
    state.MainWindow = nullptr;
    ::EndDialog(window, IDCANCEL);
}

}  // namespace

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<AppState*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
        return OnInitDialog(window, *state);
    }
    AppState* state = StateOf(window);
    if (!state) return FALSE;
    switch (message) {
    case WM_APP_LOG:
        Log(state->Events, *reinterpret_cast<const std::wstring*>(lParam));
        return TRUE;
    case WM_APP_STATUS:
        OnStatusMessage(*state, lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL && !state->Busy) OnClose(window, *state);
        return TRUE;
    case WM_CLOSE:
        if (!DeferCloseWhileBusy(*state)) OnClose(window, *state);
        return TRUE;
    default:
        return FALSE;
    }
}
