// Search benchmark: the interface's hot path, one keystroke in the search box
// of the real main window over an installed list of 2,000 and 5,000 synthetic
// packages. Each keystroke is the text change the box reports (the filter and
// the rebuild of the tree) plus the repaint of what the change invalidated,
// as the message loop paints it before the next input. Prints the
// median and the slowest time per keystroke for each list size. Build it with
// CMAKE_BUILD_TYPE=Release; run it with bench/run.sh, which gives it a display.
//   search_bench.exe [--rounds N] [package count...]
// Defaults: 3 rounds, 2000 and 5000 packages.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "resource_ids.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/package_tree/package_tree.h"

namespace {

using Clock = std::chrono::steady_clock;

const wchar_t* const kClasses[] = {L"Display", L"Net", L"MEDIA", L"SCSIAdapter", L"System",
                                   L"USB",     L"HDC", L"Bluetooth", L"Camera", L"Monitor"};
const wchar_t* const kProviders[] = {L"Northwind Graphics", L"Contoso Networks", L"Fabrikam Audio",
                                     L"Tailspin Storage",   L"Litware Systems",  L"Adventure Works",
                                     L"Proseware",          L"Wingtip Devices"};

// Families of a few versions each, spread over classes and providers, as a
// long-lived Driver Store holds them.
std::vector<DriverPackage> SyntheticPackages(std::size_t count) {
    std::vector<DriverPackage> packages;
    packages.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t family = i / 4;
        DriverPackage package;
        package.PublishedName = L"oem" + std::to_wstring(i + 1) + L".inf";
        package.OriginalInfName = L"drv" + std::to_wstring(family) + L"x.inf";
        package.ClassName = kClasses[family % std::size(kClasses)];
        package.ClassDescription = package.ClassName;
        package.Provider = kProviders[family % std::size(kProviders)];
        package.Version = std::to_wstring(10 + family % 20) + L"." + std::to_wstring(i % 4) + L".0." +
                          std::to_wstring(family);
        package.Date = L"2024-01-15";
        package.InfPath = L"C:\\Windows\\System32\\DriverStore\\FileRepository\\" + package.OriginalInfName +
                          L"_amd64_" + std::to_wstring(i) + L"\\" + package.OriginalInfName;
        package.OriginalFileName = package.InfPath;
        package.SizeBytes = (i % 97 + 1) * 1024 * 1024;
        packages.push_back(std::move(package));
    }
    return packages;
}

void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// Typing a query a character at a time and taking it back, as a user narrows
// the list and starts again.
std::vector<std::wstring> Keystrokes() {
    std::vector<std::wstring> texts;
    for (const std::wstring word : {L"northwind", L"drv12", L"oem4"}) {
        for (std::size_t n = 1; n <= word.size(); ++n) texts.push_back(word.substr(0, n));
        for (std::size_t n = word.size(); n-- > 0;) texts.push_back(word.substr(0, n));
    }
    return texts;
}

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

void Measure(HWND window, AppState& state, std::size_t count, int rounds) {
    state.Installed = SyntheticPackages(count);
    HWND search = ::GetDlgItem(window, IDC_SEARCH);
    ::SetWindowTextW(search, L"");
    RebuildTree(state);
    Pump();
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        for (const std::wstring& text : Keystrokes()) {
            const auto start = Clock::now();
            ::SetWindowTextW(search, text.c_str());  // EN_CHANGE filters and rebuilds the tree
            ::UpdateWindow(window);
            Pump();
            times.push_back(Milliseconds(Clock::now() - start));
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("%zu packages: %zu keystrokes, median %.2f ms, 90th percentile %.2f ms, slowest %.2f ms\n", count,
                times.size(), times[times.size() / 2], times[times.size() * 9 / 10], times.back());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 3;
    std::vector<std::size_t> counts;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--rounds" && i + 1 < argc)
            rounds = std::max(1, _wtoi(argv[++i]));
        else
            counts.push_back(static_cast<std::size_t>(_wtoi(argv[i])));
    }
    if (counts.empty()) counts = {2000, 5000};

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    AppState state;
    state.Instance = ::GetModuleHandleW(nullptr);
    state.Language = 1;
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    state.Events.LogPath = std::wstring(temp) + L"Quillbay-search-bench.log";
    HWND window = ::CreateDialogParamW(state.Instance, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr, MainWindowProc,
                                       reinterpret_cast<LPARAM>(&state));
    if (!window) {
        std::fprintf(stderr, "the main window could not be created\n");
        return 1;
    }
    ::ShowWindow(window, SW_SHOW);
    Pump();
    for (const std::size_t count : counts) Measure(window, state, count, rounds);
    ::DestroyWindow(window);
    Pump();
    return 0;
}
