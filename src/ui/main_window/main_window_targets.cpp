#include "ui/main_window/main_window_targets.h"

#include <algorithm>

#include "core/localized_text.h"
#include "core/string_compare.h"
#include "platform/folder_pickers.h"
#include "platform/target_windows.h"
#include "ui/dialogs/log_window.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_modes.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

constexpr TextId kNoWindowsText = 71;
constexpr TextId kTargetChangedText = 82;
constexpr TextId kChooseTitleText = 83;
constexpr TextId kNotWindowsText = 113;

HWND TargetBox(const AppState& state) { return ::GetDlgItem(state.MainWindow, IDC_TARGET); }

bool Matches(const TargetWindows& target, const std::wstring& root, bool isCurrent) {
    return target.IsCurrent == isCurrent && EqualsIgnoreCase(target.Root, root);
}

// The installed list was read from the previous target.
void ForgetInstalledList(AppState& state) {
    state.Installed.clear();
    state.InstalledKey = {};
    state.Bindings = {};
    state.CleanupResults.clear();
    RefreshLogWindow(state);
}

}  // namespace

void FillTargetBox(AppState& state) {
    HWND box = TargetBox(state);
    if (box) ::SendMessageW(box, CB_RESETCONTENT, 0, 0);
    if (state.Targets.empty()) {
        if (box) {
            ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GetText(state.Language, kNoWindowsText)));
            ::SendMessageW(box, CB_SETITEMDATA, 0, static_cast<LPARAM>(-1));
            ::SendMessageW(box, CB_SETCURSEL, 0, 0);
        }
        state.TargetRoot.clear();
        state.TargetIsCurrent = false;
        return;
    }
    for (std::size_t i = 0; i < state.Targets.size(); ++i) {
        if (!box) break;
        const auto item =
            ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(state.Targets[i].Label.c_str()));
        ::SendMessageW(box, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
    }
    const auto match = std::find_if(state.Targets.begin(), state.Targets.end(), [&](const TargetWindows& target) {
        return Matches(target, state.TargetRoot, state.TargetIsCurrent);
    });
    const std::size_t selected = match == state.Targets.end() ? 0 : static_cast<std::size_t>(match - state.Targets.begin());
    if (box) ::SendMessageW(box, CB_SETCURSEL, selected, 0);
    state.TargetRoot = state.Targets[selected].Root;
    state.TargetIsCurrent = state.Targets[selected].IsCurrent;
}

void RelabelTargets(AppState& state) {
    for (TargetWindows& target : state.Targets) target.Label = TargetLabel(state.Language, target.Root, target.IsCurrent);
}

void TakeTargetFromBox(AppState& state) {
    HWND box = TargetBox(state);
    const auto item = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR) return;
    const auto index = ::SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    if (index < 0 || static_cast<std::size_t>(index) >= state.Targets.size()) return;
    const TargetWindows& target = state.Targets[static_cast<std::size_t>(index)];
    if (target.Root == state.TargetRoot && target.IsCurrent == state.TargetIsCurrent) return;
    state.TargetRoot = target.Root;
    state.TargetIsCurrent = target.IsCurrent;
    ForgetInstalledList(state);
    SetStatus(state, GetText(state.Language, kTargetChangedText), 0);
    UpdateModeControls(state);
}

void ChooseTargetFolder(AppState& state) {
    std::wstring folder;
    if (PickFolder(state.MainWindow, GetText(state.Language, kChooseTitleText), state.TargetRoot, folder))
        ChooseOfflineWindows(state, folder);
}

void ChooseOfflineWindows(AppState& state, const std::wstring& folder) {
    const std::wstring root = NormalizeTargetRoot(folder);
    if (!IsWindowsRoot(root)) {
        ::MessageBoxW(state.MainWindow, GetText(state.Language, kNotWindowsText), L"Quillbay", MB_OK | MB_ICONWARNING);
        return;
    }
    auto known = std::find_if(state.Targets.begin(), state.Targets.end(),
                              [&](const TargetWindows& target) { return EqualsIgnoreCase(target.Root, root); });
    if (known == state.Targets.end()) {
        state.Targets.push_back({TargetLabel(state.Language, root, false), root, false});
        known = state.Targets.end() - 1;
    }
    state.TargetRoot = known->Root;
    state.TargetIsCurrent = known->IsCurrent;
    FillTargetBox(state);
    ForgetInstalledList(state);
    RebuildTree(state);
    RefreshInstalledDrivers(state);
}
