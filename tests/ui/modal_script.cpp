#include "modal_script.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include "test_support.h"
#include "ui/main_window/app_state.h"

namespace test {

namespace {

ModalScript* g_running = nullptr;

struct Search {
    HWND Found = nullptr;
};

BOOL CALLBACK FindWaiting(HWND window, LPARAM lParam) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && ::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
        reinterpret_cast<Search*>(lParam)->Found = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring CaptionOf(HWND window) {
    wchar_t caption[512] = {};
    ::GetWindowTextW(window, caption, 512);
    return caption;
}

}  // namespace

void PrepareDialogState(AppState& state, const std::filesystem::path& folder) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
    state.Instance = ::GetModuleHandleW(nullptr);
    state.Language = 1;
    state.Events.LogPath = (folder / L"Quillbay.log").wstring();
}

ModalScript::ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
    g_running = this;
    timer_ = ::SetTimer(nullptr, 0, 40, Tick);
}

ModalScript::~ModalScript() {
    ::KillTimer(nullptr, timer_);
    g_running = nullptr;
}

void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_running) g_running->OnTick();
}

void ModalScript::OnTick() {
    Search search;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindWaiting, reinterpret_cast<LPARAM>(&search));
    // A window just answered may take a moment to go away.
    if (!search.Found || (search.Found == lastAnswered_ && ::IsWindow(lastAnswered_))) return;
    ModalWindow window{search.Found, CaptionOf(search.Found), MessageBoxText(search.Found)};
    lastAnswered_ = search.Found;
    int command = IDCANCEL;
    if (next_ < steps_.size()) {
        seen_.push_back(window);
        command = steps_[next_++](window);
    } else {
        ADD_FAILURE() << "unexpected window \"" << window.Caption
                      << "\": " << window.Text;
    }
    if (command != 0) ::PostMessageW(search.Found, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
}

ModalScript::Step AnswerMessage(const std::wstring& expectedText, int command) {
    return [expectedText, command](const ModalWindow& window) {
        EXPECT_EQ(window.Text, expectedText);
        return command;
    };
}

const wchar_t* MessageBoxIcon(HWND box) {
    struct Probe {
        HICON Icon = nullptr;
    } probe;
    ::EnumChildWindows(
        box,
        [](HWND child, LPARAM lParam) -> BOOL {
            if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
            reinterpret_cast<Probe*>(lParam)->Icon =
                reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&probe));
    for (const wchar_t* icon : {IDI_WARNING, IDI_INFORMATION, IDI_ERROR, IDI_QUESTION})
        if (probe.Icon && probe.Icon == ::LoadIconW(nullptr, icon)) return icon;
    return nullptr;
}

}  // namespace test
