#include "ui/main_window/main_window_modes.h"

#include "core/localized_text.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_enabling.h"
#include "ui/main_window/main_window_tooltips.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

struct ModeTexts {
    TextId Title;
    TextId Subtitle;
    TextId PathLabel;
    TextId Choice;
    TextId Hint;  // 0: the hint is hidden
};

ModeTexts TextsOf(const AppState& state) {
    switch (state.Mode) {
    case AppMode::Removal: return {2, 3, 49, 52, 0};
    case AppMode::Installation: {
        const TextId subtitle = state.SevenZipPath.empty() ? 84 : 5;
        const TextId hint = state.SourceIsArchive ? 57 : (state.TargetIsCurrent ? 60 : 59);
        return {4, subtitle, static_cast<TextId>(state.SourceIsArchive ? 51 : 50), 54, hint};
    }
    case AppMode::Backup: break;
    }
    return {0, 1, 48, 53, static_cast<TextId>(state.PackToArchive ? 56 : 55)};
}

bool ChoiceOf(const AppState& state) {
    switch (state.Mode) {
    case AppMode::Removal: return state.EmergencyBackup;
    case AppMode::Installation: return state.SourceIsArchive;
    case AppMode::Backup: break;
    }
    return state.PackToArchive;
}

HWND Control(const AppState& state, int id) { return ::GetDlgItem(state.MainWindow, id); }

void SetText(const AppState& state, int id, const wchar_t* text) {
    if (HWND control = Control(state, id)) ::SetWindowTextW(control, text);
}

void Show(const AppState& state, int id, bool shown) {
    if (HWND control = Control(state, id)) ::ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
}

void Enable(const AppState& state, int id, bool enabled) {
    if (HWND control = Control(state, id)) ::EnableWindow(control, enabled);
}


}  // namespace

void MarkSelectedModeButton(const AppState& state) {
    for (const int id : {IDC_MODE_BACKUP, IDC_MODE_REMOVAL, IDC_MODE_INSTALLATION}) {
        HWND button = Control(state, id);
        if (!button) continue;
        const bool selected = id == IDC_MODE_BACKUP + static_cast<int>(state.Mode);
        ::SendMessageW(button, BM_SETSTATE, selected, 0);
        // The segments draw the selection from the mode.
        ::InvalidateRect(button, nullptr, FALSE);
    }
}

std::wstring& PathField(AppState& state) {
    switch (state.Mode) {
    case AppMode::Removal: return state.SafetyBackupFolder;
    case AppMode::Installation: return state.SourceIsArchive ? state.InstallArchive : state.InstallFolder;
    case AppMode::Backup: break;
    }
    return state.BackupFolder;
}

void UpdatePathControls(AppState& state) {
    const bool removal = state.Mode == AppMode::Removal;
    const bool pathUsable = !state.Busy && (!removal || state.EmergencyBackup);
    Enable(state, IDC_SOURCE_PATH, pathUsable);
    Enable(state, IDC_BROWSE_SOURCE, pathUsable);
    Enable(state, IDC_SEVEN_ZIP_CHOICE, !state.Busy && (removal || !state.SevenZipPath.empty()));
}

void UpdateModeControls(AppState& state, const PackageTreeView* view) {
    if (state.Mode != AppMode::Removal) ResetStatusIfTemporary(state);
    state.Updating = true;
    const ModeTexts texts = TextsOf(state);
    const LangId language = state.Language;
    Show(state, IDC_SEVEN_ZIP_CHOICE, true);
    Show(state, IDC_SELECT_OLD_DRIVERS, state.Mode == AppMode::Removal);
    Show(state, IDC_HINT, texts.Hint != 0);
    SetText(state, IDC_MODE_TITLE, GetText(language, texts.Title));
    SetText(state, IDC_MODE_SUBTITLE, GetText(language, texts.Subtitle));
    SetText(state, IDC_PATH_LABEL, GetText(language, texts.PathLabel));
    SetText(state, IDC_SOURCE_PATH, PathField(state).c_str());
    SetText(state, IDC_SEVEN_ZIP_CHOICE, GetText(language, texts.Choice));
    if (HWND choice = Control(state, IDC_SEVEN_ZIP_CHOICE))
        ::SendMessageW(choice, BM_SETCHECK, ChoiceOf(state) ? BST_CHECKED : BST_UNCHECKED, 0);
    SetText(state, IDC_HINT, texts.Hint ? GetText(language, texts.Hint) : L"");
    if (!state.Busy) SetText(state, IDC_ACTION, GetText(language, ModeActionText(state.Mode)));
    MarkSelectedModeButton(state);

    UpdateOldDriversButton(state);
    UpdatePathControls(state);
    UpdateSevenZipHint(state);
    RefreshGeneralTooltip(state);
    LayoutMainWindow(state);
    if (HWND action = Control(state, IDC_ACTION)) ::InvalidateRect(action, nullptr, TRUE);
    RebuildTree(state, view);
    state.Updating = false;
}

void SwitchMode(AppState& state, AppMode mode) {
    const bool leavingSources = state.Mode == AppMode::Installation;
    const bool enteringSources = mode == AppMode::Installation;
    if (leavingSources == enteringSources) {
        state.Mode = mode;
        UpdateModeControls(state);
        return;
    }
    (leavingSources ? state.SavedSourceView : state.SavedInstalledView) = CapturePackageTree(state);
    state.Details.Key.clear();
    state.Mode = mode;
    // A copy: the rebuild may capture the live tree into the saved views again.
    const PackageTreeView entered = enteringSources ? state.SavedSourceView : state.SavedInstalledView;
    UpdateModeControls(state, &entered);
}
