#include "main_window_fixture.h"

#include <algorithm>

#include "platform/target_windows.h"
#include "resource_ids.h"
#include "sample_windows.h"
#include "tree_items.h"
#include "ui/dialogs/dialog_geometry.h"
#include "ui/drawing/window_text.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_targets.h"
#include "ui/package_tree/package_tree.h"
#include "windows_root_builder.h"

namespace test {

namespace {

thread_local MessageBoxAnswers* activeAnswers = nullptr;

}  // namespace

MessageBoxAnswers::MessageBoxAnswers(int answer) : answer_(answer) {
    activeAnswers = this;
    hook_ = ::SetWindowsHookExW(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
}

MessageBoxAnswers::~MessageBoxAnswers() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    activeAnswers = nullptr;
}

LRESULT CALLBACK MessageBoxAnswers::Hook(int code, WPARAM wParam, LPARAM lParam) {
    // A message box is the dialog with the static 0xFFFF holding its message.
    HWND box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && activeAnswers && ::GetDlgItem(box, 0xFFFF)) {
        activeAnswers->boxes_.push_back({WindowTextOf(box), MessageBoxText(box)});
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(activeAnswers->answer_, BN_CLICKED), 0);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

sim::FixturePackage DisplayPackage(int published, const std::wstring& inf, const std::wstring& version, int year,
                                   const std::vector<std::wstring>& ids) {
    sim::FixturePackage package;
    package.PublishedName = L"oem" + std::to_wstring(published) + L".inf";
    package.InfName = inf;
    package.Provider = L"Quillbay Window Tests";
    package.ClassName = L"Display";
    package.ClassGuid = sim::kDisplayClassGuid;
    package.Version = version;
    package.Date = {year, 6, 1};
    package.Models = {{L"NTamd64", ids}};
    return package;
}

void MainWindowTest::SetUp() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), 0x402B};
    ::InitCommonControlsEx(&controls);
    // Settings the window stores go to a branch of this test's own.
    const std::wstring branch = L"Software\\QuillbayWindowTest\\" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, branch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &userBranch_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, userBranch_), ERROR_SUCCESS);

    state_.Instance = ::GetModuleHandleW(nullptr);
    state_.Language = 1;
    state_.Events.LogPath = (temp_.Path() / L"Quillbay.log").wstring();
    state_.Events.DismLogPath = (temp_.Path() / L"Quillbay-DISM.log").wstring();
    state_.BackupFolder = (temp_.Path() / L"Backup-DriverBackup").wstring();
    state_.SafetyBackupFolder = (temp_.Path() / L"Deleted-DriverBackup").wstring();
    std::wstring error;
    ASSERT_TRUE(state_.Dism.Initialize(state_.Events.DismLogPath, error)) << error;
}

void MainWindowTest::TearDown() {
    if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
    Pump();
    state_.Dism.Shutdown();
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (userBranch_) {
        ::RegCloseKey(userBranch_);
        const std::wstring branch = L"Software\\QuillbayWindowTest\\" + std::to_wstring(::GetCurrentProcessId());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, branch.c_str());
    }
}

std::wstring MainWindowTest::BuildOffline(const sim::FixtureWindows& windows, const std::wstring& name) {
    const std::wstring root = (temp_.Path() / name).wstring();
    std::wstring error;
    EXPECT_TRUE(sim::BuildWindowsRoot(windows, root + L"\\", error)) << error;
    return NormalizeTargetRoot(root);
}

void MainWindowTest::Open() {
    window_ = ::CreateDialogParamW(state_.Instance, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr, MainWindowProc,
                                   reinterpret_cast<LPARAM>(&state_));
    ASSERT_TRUE(window_);
    MSG message;
    while (::PeekMessageW(&message, window_, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        refreshQueued_ = refreshQueued_ || LOWORD(message.wParam) == IDC_REFRESH;
    }
    Pump();
}

void MainWindowTest::ChooseTarget(const std::wstring& folder) { ChooseOfflineWindows(state_, folder); }

void MainWindowTest::Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (window_ && ::IsWindow(window_) && ::IsDialogMessageW(window_, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void MainWindowTest::Click(int id) {
    ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
    Pump();
}

void MainWindowTest::ChooseComboItem(int id, int item) {
    ::SendMessageW(Control(id), CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    for (const WORD code : {CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP})
        ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Control(id)));
    Pump();
}

void MainWindowTest::ChangeDpi(UINT dpi) {
    if (dpi == state_.Dpi) return;
    RECT frame{};
    ::GetWindowRect(window_, &frame);
    const auto scale = [&](LONG value) {
        return static_cast<LONG>(::MulDiv(value, static_cast<int>(dpi), static_cast<int>(state_.Dpi)));
    };
    RECT suggested{frame.left, frame.top, frame.left + scale(frame.right - frame.left),
                   frame.top + scale(frame.bottom - frame.top)};
    ::SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    Pump();
}

void MainWindowTest::TypeInto(int id, const std::wstring& text) {
    ::SetWindowTextW(Control(id), text.c_str());
    Pump();
}

void MainWindowTest::PressKey(int id, UINT key, bool control) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    ::SetKeyboardState(keys);
    ::PostMessageW(Control(id), WM_KEYDOWN, key, 1);
    ::PostMessageW(Control(id), WM_KEYUP, key, 0xC0000001);
    Pump();
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
}

std::wstring MainWindowTest::Text(int id) const { return WindowTextOf(Control(id)); }

RECT MainWindowTest::ClientRectOf(int id) const { return ChildRect(window_, id); }

std::vector<std::wstring> MainWindowTest::ItemTexts(HTREEITEM parent) const {
    return TreeChildTexts(Control(IDC_PACKAGE_TREE), parent);
}

HTREEITEM MainWindowTest::FindItem(const std::wstring& text) const {
    return FindTreeItem(Control(IDC_PACKAGE_TREE), text);
}

std::wstring MainWindowTest::SelectedItemText() const {
    HWND tree = Control(IDC_PACKAGE_TREE);
    HTREEITEM selected = TreeView_GetSelection(tree);
    return selected ? TreeItemText(tree, selected) : L"";
}

bool MainWindowTest::Expanded(HTREEITEM item) const {
    return (TreeView_GetItemState(Control(IDC_PACKAGE_TREE), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

std::vector<std::wstring> MainWindowTest::CheckedPackages() {
    std::vector<std::wstring> names;
    for (const DriverPackage& package : CurrentList(state_)) {
        if (package.Checked) names.push_back(package.PublishedName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> MainWindowTest::Logged() const { return LoggedTexts(state_.Events.MemoryText); }

}  // namespace test
