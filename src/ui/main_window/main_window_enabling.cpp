#include "ui/main_window/main_window_enabling.h"

#include <algorithm>

#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/package_tree/package_tree.h"

namespace {

constexpr TextId kHiddenCountText = 178;

HWND Control(const AppState& state, int id) { return ::GetDlgItem(state.MainWindow, id); }

void Enable(const AppState& state, int id, bool enabled) {
    if (HWND control = Control(state, id)) ::EnableWindow(control, enabled);
}

// Hides "Clear selection" without leaving the focus on a hidden button.
void ShowClearSelection(const AppState& state, bool shown) {
    HWND clear = Control(state, IDC_CLEAR_SELECTION);
    if (!clear) return;
    if (!shown && ::GetFocus() == clear) {
        HWND selectAll = Control(state, IDC_SELECT_ALL);
        ::SetFocus(selectAll && ::IsWindowEnabled(selectAll) ? selectAll : Control(state, IDC_SEARCH));
    }
    ::EnableWindow(clear, shown);
    ::ShowWindow(clear, shown ? SW_SHOWNA : SW_HIDE);
}

}  // namespace

TextId ModeActionText(AppMode mode) {
    switch (mode) {
    case AppMode::Removal: return 65;
    case AppMode::Installation: return 66;
    case AppMode::Backup: break;
    }
    return 64;
}

const std::wstring& InstallSourcePath(const AppState& state) {
    return state.SourceIsArchive ? state.InstallArchive : state.InstallFolder;
}

bool IsShownListCurrent(const AppState& state) {
    if (state.Mode == AppMode::Installation)
        return IsLoadedListCurrent(state.SourceKey, InstallSourcePath(state), state.SourceIsArchive);
    return IsLoadedListCurrent(state.InstalledKey, state.TargetRoot, state.TargetIsCurrent);
}

void UpdateOldDriversButton(AppState& state) {
    Enable(state, IDC_SELECT_OLD_DRIVERS,
           state.Mode == AppMode::Removal && !state.Installed.empty() && !state.Busy);
}

void UpdateSelectionSummary(AppState& state) { UpdateSelectionSummary(state, SearchMatches(state, SearchQuery(state))); }

void UpdateSelectionSummary(AppState& state, const std::vector<bool>& matches) {
    const std::vector<DriverPackage>& list = CurrentList(state);
    std::uint64_t checked = 0;
    std::uint64_t hidden = 0;
    bool anyMatch = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        anyMatch = anyMatch || matches[i];
        if (!list[i].Checked) continue;
        ++checked;
        if (!matches[i]) ++hidden;
    }
    std::wstring summary = FormatSelectionCount(state.Language, checked);
    if (hidden > 0) summary += L" (" + std::wstring(GetText(state.Language, kHiddenCountText)) + std::to_wstring(hidden) + L")";
    if (HWND label = Control(state, IDC_SELECTION_SUMMARY)) ::SetWindowTextW(label, summary.c_str());

    Enable(state, IDC_ACTION, state.Busy || (checked > 0 && IsShownListCurrent(state)));
    Enable(state, IDC_SELECT_ALL, !state.Busy && anyMatch);
    ShowClearSelection(state, checked > 0 && !state.Busy);
}
