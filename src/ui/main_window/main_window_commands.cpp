#include "ui/main_window/main_window_commands.h"

#include <commctrl.h>

#include "core/localized_text.h"
#include "platform/folder_pickers.h"
#include "ui/details/details_pane.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/log_window.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/drawing/window_text.h"
#include "ui/jobs/select_outdated.h"
#include "ui/main_window/busy_state.h"
#include "ui/main_window/drop_down_choice.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_action.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_enabling.h"
#include "ui/main_window/main_window_keyboard.h"
#include "ui/main_window/main_window_language.h"
#include "ui/main_window/main_window_modes.h"
#include "ui/main_window/main_window_targets.h"
#include "ui/main_window/main_window_tooltips.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

constexpr TextId kSourceChangedText = 174;

HWND Control(const AppState& state, int id) { return ::GetDlgItem(state.MainWindow, id); }

void RefreshSevenZipAndControls(AppState& state) {
    if (RefreshSevenZipState(state)) UpdateModeControls(state);
}

void OpenLog(AppState& state) {
    // A running job may hold the install-source list and its extraction folder,
    // which a 7-Zip that has gone would discard.
    if (!state.Busy) RefreshSevenZipAndControls(state);
    RefreshLogWindow(state);
    ShowLogWindow(state);
}

void Refresh(AppState& state) {
    RefreshSevenZipAndControls(state);
    if (state.Mode == AppMode::Installation)
        ScanInstallFolder(state);
    else
        RefreshInstalledDrivers(state);
}

void OnPathEdited(AppState& state) {
    if (state.Updating) return;
    const std::wstring text = WindowTextOf(Control(state, IDC_SOURCE_PATH));
    std::wstring& field = PathField(state);
    if (state.Mode == AppMode::Installation && text != field) {
        state.SourceKey = {};
        state.Sources.clear();
        field = text;
        RebuildTree(state);
        SetStatus(state, GetText(state.Language, kSourceChangedText), kProgressUnchanged);
        return;
    }
    field = text;
}

TextId BrowseTitle(const AppState& state) {
    switch (state.Mode) {
    case AppMode::Installation: return state.SourceIsArchive ? 104 : 84;
    case AppMode::Removal: return 85;
    case AppMode::Backup: break;
    }
    return 86;
}

void Browse(AppState& state) {
    std::wstring& field = PathField(state);
    const std::wstring title = GetText(state.Language, BrowseTitle(state));
    std::wstring chosen;
    const bool picked =
        state.Mode == AppMode::Installation && state.SourceIsArchive
            ? PickArchive(state.MainWindow, title, field,
                          {GetText(state.Language, 19), GetText(state.Language, 20), GetText(state.Language, 21)},
                          chosen)
            : PickFolder(state.MainWindow, title, field, chosen);
    if (!picked) return;
    field = chosen;
    state.Updating = true;
    ::SetWindowTextW(Control(state, IDC_SOURCE_PATH), chosen.c_str());
    state.Updating = false;
    if (state.Mode == AppMode::Installation) ScanInstallFolder(state);
}

void OnSevenZipChoice(AppState& state) {
    if (state.Mode != AppMode::Removal && state.SevenZipPath.empty()) return;
    switch (state.Mode) {
    case AppMode::Backup:
        state.PackToArchive = !state.PackToArchive;
        UpdateModeControls(state);
        break;
    case AppMode::Removal:
        state.EmergencyBackup = !state.EmergencyBackup;
        UpdateModeControls(state);
        break;
    case AppMode::Installation:
        state.SourceIsArchive = !state.SourceIsArchive;
        state.SourceKey = {};
        state.Sources.clear();
        UpdateModeControls(state);
        if (!state.SourceIsArchive) ScanInstallFolder(state);
        break;
    }
}

void OpenSettings(AppState& state) {
    const RemovalOptions before = state.Options;
    if (!ShowSettingsDialog(state)) return;
    if (before.DisableBootCriticalProtection == state.Options.DisableBootCriticalProtection &&
        before.AllowNewerUnusedRemoval == state.Options.AllowNewerUnusedRemoval)
        return;
    // The explanations judged the packages by the old rules.
    state.CleanupResults.clear();
    for (DriverPackage& package : state.Installed) package.ReasonText.clear();
    RefreshGeneralTooltip(state);
    RebuildTree(state);
}

void ResetSearch(AppState& state) {
    HWND search = Control(state, IDC_SEARCH);
    ::SetFocus(search);
    ::SetWindowTextW(search, L"");
}

AppMode ModeOf(int id) {
    return id == IDC_MODE_REMOVAL ? AppMode::Removal
                                  : (id == IDC_MODE_INSTALLATION ? AppMode::Installation : AppMode::Backup);
}

}  // namespace

void CloseMainWindow(AppState& state) {
    if (DeferCloseWhileBusy(state)) return;
    HWND window = state.MainWindow;
    state.Events.MainWindow = nullptr;
    state.MainWindow = nullptr;
    ::EndDialog(window, 0);
}

bool OnDropDownIdle(AppState& state, UINT_PTR timer) {
    if (timer != IDC_TARGET && timer != IDC_LANGUAGE) return false;
    ::KillTimer(state.MainWindow, timer);
    if (state.Busy) return true;
    if (timer == IDC_TARGET)
        TakeTargetFromBox(state);
    else
        TakeLanguageFromBox(state);
    return true;
}

void OnMainWindowCommand(AppState& state, int id, int code) {
    if (state.Busy && id != IDC_LOG_BUTTON && id != IDC_ACTION) return;
    const bool clicked = code == BN_CLICKED;  // also STN_CLICKED of the clickable statics
    switch (id) {
    case IDC_MODE_TITLE:
    case IDC_HELP_BUTTON:
        if (clicked) ShowAboutDialog(state);
        break;
    case IDC_LOG_BUTTON:
        if (clicked) OpenLog(state);
        break;
    case IDC_TARGET:
        if (DropDownChoiceConfirmed(state.MainWindow, id, code)) TakeTargetFromBox(state);
        break;
    case IDC_CHOOSE_TARGET:
        if (clicked) ChooseTargetFolder(state);
        break;
    case IDC_REFRESH:
        if (clicked) Refresh(state);
        break;
    case IDC_SEARCH:
        if (code == EN_CHANGE) RebuildTree(state);
        if (code == EN_SETFOCUS || code == EN_KILLFOCUS) ::InvalidateRect(Control(state, IDC_SEARCH_FRAME), nullptr, TRUE);
        break;
    case IDC_MODE_BACKUP:
    case IDC_MODE_REMOVAL:
    case IDC_MODE_INSTALLATION:
        if (!clicked) break;
        // A mode switch lays every control out anew, so 7-Zip's presence needs no extra update.
        (void)RefreshSevenZipState(state);
        SwitchMode(state, ModeOf(id));
        break;
    case IDC_SOURCE_PATH:
        if (code == EN_CHANGE) OnPathEdited(state);
        break;
    case IDC_BROWSE_SOURCE:
        if (clicked) Browse(state);
        break;
    case IDC_SEVEN_ZIP_CHOICE:
        if (clicked) OnSevenZipChoice(state);
        break;
    case IDC_SELECT_OLD_DRIVERS:
        if (clicked) SelectOutdatedDrivers(state);
        break;
    case IDC_CLEAR_SELECTION:
    case IDC_SELECT_ALL:
        if (clicked) CheckVisiblePackages(state, id == IDC_SELECT_ALL);
        break;
    case IDC_ACTION:
        if (clicked) RunModeAction(state);
        break;
    case IDC_LANGUAGE:
        if (DropDownChoiceConfirmed(state.MainWindow, id, code)) TakeLanguageFromBox(state);
        break;
    case IDC_RESET_SEARCH:
        if (clicked) ResetSearch(state);
        break;
    case IDC_SEARCH_FRAME:
        if (clicked) FocusSearchBox(state);
        break;
    case IDC_SETTINGS:
        if (clicked) OpenSettings(state);
        break;
    case IDC_DETAILS_VALUE_0:
    case IDC_DETAILS_VALUE_1:
    case IDC_DETAILS_VALUE_2:
    case IDC_DETAILS_VALUE_3:
    case IDC_DETAILS_VALUE_4:
    case IDC_DETAILS_VALUE_5:
    case IDC_DETAILS_VALUE_6:
    case IDC_DETAILS_VALUE_7:
        if (code == EN_SETFOCUS) RevealInDetailsPane(state, Control(state, id));
        break;
    case IDCANCEL: CloseMainWindow(state); break;
    default: break;
    }
}
