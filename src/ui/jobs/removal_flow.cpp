#include "ui/jobs/removal_flow.h"

#include <vector>

#include "operations/package_removal.h"
#include "operations/removal_confirmation.h"
#include "operations/removal_summary.h"
#include "ui/dialogs/confirm_removal_dialog.h"
#include "ui/jobs/background_job.h"
#include "ui/jobs/export_job.h"
#include "ui/jobs/hibernation_guard.h"
#include "ui/jobs/operation_job.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

RemovalScope ScopeOf(const AppState& state) {
    return {state.Installed, TargetWindows{L"", state.TargetRoot, state.TargetIsCurrent}, state.Options,
            state.Language};
}

int Ask(const AppState& state, const std::wstring& text, const wchar_t* caption, UINT kind) {
    return ::MessageBoxW(state.MainWindow, text.c_str(), caption, kind);
}

// The confirmation may not be taller than the main window can get.
int ConfirmationHeightLimit(const AppState& state) {
    if (!state.Layout.Ready) return 0;
    return MainWindowMinTrackSize(state).cy - ScaleForDpi(state, 16);
}

// The safety copy of the packages about to go; false when the removal must not go ahead.
bool MakeEmergencyBackup(AppState& state, const std::vector<DriverPackage*>& selection) {
    const LangId language = state.Language;
    if (state.SafetyBackupFolder.empty()) {
        Ask(state, GetText(language, 102), L"Quillbay", MB_OK | MB_ICONWARNING);
        return false;
    }
    ExportStatistics statistics;
    if (ExportPackages(state, state.TargetRoot, selection, state.SafetyBackupFolder, false, statistics)) return true;
    if (state.CancelRequested) return false;
    return Ask(state, GetText(language, 130), L"Quillbay", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

bool ConfirmRemoval(AppState& state, std::vector<DriverPackage*>& selection, const BindingSnapshot& snapshot,
                    RemovalDecision& decision) {
    const LangId language = state.Language;
    RemovalConfirmation confirmation = PrepareRemovalConfirmation(
        ScopeOf(state), selection, snapshot, [&state](const std::wstring& line) { Log(state.Events, line); });
    if (!confirmation.Refusal.empty()) {
        Ask(state, confirmation.Refusal, L"Quillbay", MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!confirmation.Exclusions.empty()) {
        RebuildTree(state);
        Ask(state, ExclusionMessage(confirmation.Exclusions, language), L"Quillbay", MB_OK | MB_ICONINFORMATION);
    }
    if (selection.empty()) return false;

    ConfirmRemovalParams params;
    params.Language = language;
    params.Message = std::move(confirmation.Text);
    params.Rows = std::move(confirmation.Rows);
    params.ShowWarningIcon = confirmation.HasRisks;
    params.HeightLimit = ConfirmationHeightLimit(state);
    if (ShowConfirmRemovalDialog(state.Instance, state.MainWindow, params) != IDOK) return false;
    if (confirmation.HasRisks &&
        Ask(state, GetText(language, 254), GetText(language, 128), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return false;
    decision = std::move(confirmation.Decision);
    return true;
}

void RemoveSelected(AppState& state) {
    if (state.Busy) return;
    std::vector<DriverPackage*> selection = CheckedPackagesOf(state.Installed);
    if (selection.empty() || RefuseHibernatedTarget(state)) return;
    const RemovalScope scope = ScopeOf(state);

    RemovalDecision decision;
    {
        BindingSnapshot snapshot;
        const JobEnding taken =
            RunOperationJob(state, [&] { snapshot = TakeRemovalSnapshot(scope, SelectedNames(selection)); });
        if (taken.Failed || taken.Cancelled || state.CloseRequested) return;
        if (!ConfirmRemoval(state, selection, snapshot, decision)) return;
    }
    if (state.EmergencyBackup && !MakeEmergencyBackup(state, selection)) return;

    RemovalResult result;
    const OperationCallbacks callbacks = InterfaceCallbacks(state);
    const JobEnding job = RunOperationJob(
        state, [&] { RemovePackages(selection, scope, decision, state.Dism, callbacks, result); });
    if (state.CloseRequested) return;

    const LangId language = state.Language;
    const RemovalEnding ending{job.Failed, job.Cancelled};
    Log(state.Events, RemovalLogLine(result, language));
    const bool warn = result.Errors > 0 || ending.Failed || ending.Cancelled;
    Ask(state, RemovalSummaryText(result, ending, language), GetText(language, 2),
        MB_OK | (warn ? MB_ICONWARNING : MB_ICONINFORMATION));
    if (!::IsWindow(state.MainWindow) || state.CloseRequested) return;
    RefreshInstalledDrivers(state);
    SetStatus(state, RemovalStatusText(result, ending.Cancelled, language), 100);
}
