// Quillbay as it runs under a high-contrast scheme, for the screenshots. Wine
// keeps the system colours of a scheme but has no high-contrast switch
// (SPI_GETHIGHCONTRAST always reports it off), so this stand-in answers that one
// question at the window's boundary: once the main window is initialised it
// gets the palette the window takes when the system reports high contrast.
#include <windows.h>

#include "app/startup.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window_colours.h"

namespace {

constexpr wchar_t kCaption[] = L"Quillbay 1.14.19";

LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto& message = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message.message == WM_INITDIALOG) {
        wchar_t caption[64] = {};
        ::GetWindowTextW(message.hwnd, caption, 64);
        auto* state = reinterpret_cast<AppState*>(::GetWindowLongPtrW(message.hwnd, DWLP_USER));
        if (state && state->MainWindow == message.hwnd && ::lstrcmpW(caption, kCaption) == 0)
            ApplyPalette(*state, HighContrastPalette(::GetSysColor));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, AfterMessage, nullptr, ::GetCurrentThreadId());
    const int result = RunApplication(instance, L"");
    if (hook) ::UnhookWindowsHookEx(hook);
    return result;
}
