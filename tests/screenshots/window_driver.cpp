// Drives a running Quillbay main window from outside, for the screenshots:
//   qb-window-driver --desktop NAME [--expect-dpi N] [--language N] [--mode N]
//                    [--install-folder PATH] [--search TEXT] [--select-all] [--close]
// Joins the window's desktop (a Wine virtual desktop is one), waits for the
// window and for it to be idle, applies the steps in order and returns once the
// window has handled each of them and is idle again.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "ui/main_window/main_window_controls.h"

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kCaption[] = L"Quillbay 1.14.19";
constexpr UINT kHandlerTimeoutMs = 120000;

HWND WaitForMainWindow() {
    for (int attempt = 0; attempt < 600; ++attempt) {
        if (HWND window = ::FindWindowW(L"#32770", kCaption); window && ::IsWindowVisible(window)) return window;
        std::this_thread::sleep_for(100ms);
    }
    return nullptr;
}

// Busy disables Refresh; idle for half a second counts as settled.
bool WaitUntilIdle(HWND window) {
    HWND refresh = ::GetDlgItem(window, IDC_REFRESH);
    int idleRounds = 0;
    for (int attempt = 0; attempt < 1200 && idleRounds < 5; ++attempt) {
        idleRounds = ::IsWindowEnabled(refresh) ? idleRounds + 1 : 0;
        std::this_thread::sleep_for(100ms);
    }
    return idleRounds >= 5;
}

void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kHandlerTimeoutMs, &result);
}

void Click(HWND window, int id) {
    Send(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

void ChooseLanguage(HWND window, int language) {
    HWND box = ::GetDlgItem(window, IDC_LANGUAGE);
    const auto count = ::SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT item = 0; item < count; ++item) {
        if (::SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(item), 0) != language) continue;
        ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        // As the dropped list reports a choice: the box acts when it closes.
        for (const WORD code : {CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP})
            Send(window, WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE, code), reinterpret_cast<LPARAM>(box));
        return;
    }
}

// Typed into the path box of the Installation mode, then read.
void ReadInstallFolder(HWND window, const std::wstring& folder) {
    Send(::GetDlgItem(window, IDC_SOURCE_PATH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    Click(window, IDC_REFRESH);
}

// Windows are found only on the caller's own desktop, which may still be starting.
bool JoinDesktop(const wchar_t* name) {
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (HDESK desktop = ::OpenDesktopW(name, 0, FALSE, GENERIC_ALL)) return ::SetThreadDesktop(desktop) != FALSE;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3 || std::wstring(argv[1]) != L"--desktop" || !JoinDesktop(argv[2])) {
        std::fputs("qb-window-driver: --desktop NAME first, naming an existing desktop\n", stderr);
        return 2;
    }
    HWND window = WaitForMainWindow();
    if (!window || !WaitUntilIdle(window)) {
        std::fputs("qb-window-driver: no idle Quillbay window\n", stderr);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const std::wstring option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == L"--expect-dpi" && hasValue) {
            // A scaling setting Wine ignored would silently give 100 % shots.
            const UINT expected = static_cast<UINT>(std::stoi(argv[++i]));
            if (const UINT dpi = ::GetDpiForWindow(window); dpi != expected) {
                std::fprintf(stderr, "qb-window-driver: the window has %u DPI, not %u\n", dpi, expected);
                return 1;
            }
        } else if (option == L"--language" && hasValue) {
            ChooseLanguage(window, std::stoi(argv[++i]));
        } else if (option == L"--mode" && hasValue) {
            Click(window, IDC_MODE_BACKUP + std::stoi(argv[++i]));
        } else if (option == L"--install-folder" && hasValue) {
            ReadInstallFolder(window, argv[++i]);
        } else if (option == L"--search" && hasValue) {
            Send(::GetDlgItem(window, IDC_SEARCH), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[++i]));
        } else if (option == L"--select-all") {
            Click(window, IDC_SELECT_ALL);
        } else if (option == L"--close") {
            ::PostMessageW(window, WM_CLOSE, 0, 0);
            for (int attempt = 0; attempt < 300 && ::IsWindow(window); ++attempt) std::this_thread::sleep_for(100ms);
            return ::IsWindow(window) ? 1 : 0;
        } else {
            std::fprintf(stderr, "qb-window-driver: unknown option %ls\n", option.c_str());
            return 2;
        }
        if (!WaitUntilIdle(window)) return 1;
    }
    return 0;
}
