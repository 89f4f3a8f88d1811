#include "ui/jobs/select_outdated.h"

#include "analysis/outdated_selection.h"
#include "core/localized_text.h"
#include "platform/target_windows.h"
#include "ui/jobs/background_job.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/busy_state.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

constexpr TextId kNoTargetText = 90;
constexpr int kStartPercent = 10;

bool CanSelect(const AppState& state) {
    if (state.TargetRoot.empty() || !state.Dism.IsInitialized()) return false;
    if (!IsLoadedListCurrent(state.InstalledKey, state.TargetRoot, state.TargetIsCurrent)) return false;
    return state.TargetIsCurrent || IsWindowsRoot(state.TargetRoot);
}

void ShowReport(AppState& state, const OutdatedSelectionReport& report) {
    if (!report.StatusText.empty()) {
        SetStatus(state, report.StatusText, report.Percent);
        state.StatusIsTemporary = report.StickyStatus;
    }
    if (report.MessageText.empty()) return;
    const UINT icon = report.MessageIcon == SelectionMessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    ::MessageBoxW(state.MainWindow, report.MessageText.c_str(), L"Quillbay", MB_OK | icon);
}

}  // namespace

void SelectOutdatedDrivers(AppState& state) {
    if (state.Busy) return;
    if (!CanSelect(state)) {
        ::MessageBoxW(state.MainWindow, GetText(state.Language, kNoTargetText), L"Quillbay", MB_OK | MB_ICONWARNING);
        return;
    }
    const OutdatedSelectionTexts texts = ChooseOutdatedSelectionTexts(state.Options);
    SetBusy(state, true);
    SetStatus(state, GetText(state.Language, texts.Progress), kStartPercent);
    const TargetWindows target{L"", state.TargetRoot, state.TargetIsCurrent};
    const RemovalOptions options = state.Options;
    const OperationCallbacks callbacks = InterfaceCallbacks(state);
    OutdatedSelectionRun run;
    const bool completed = RunJob(state, [&] {
        RunOutdatedSelection(target, state.Installed, options, state.Language, callbacks, run);
    });
    SetBusy(state, false);
    if (state.CloseRequested) return;

    if (completed && run.Snapshot.Verified) state.CleanupResults = run.Selection.Verdicts;
    const OutdatedSelectionReport report =
        FinishOutdatedSelection(state.Installed, run, completed, state.TargetIsCurrent, options, state.Language,
                                [&](const std::wstring& line) { Log(state.Events, line); });
    RebuildTree(state);
    ShowReport(state, report);
}
