#include "ui/main_window/main_window_action.h"

#include <vector>

#include "core/localized_text.h"
#include "operations/export_result_text.h"
#include "ui/jobs/export_job.h"
#include "ui/jobs/install_flow.h"
#include "ui/jobs/removal_flow.h"
#include "ui/main_window/busy_state.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_enabling.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

constexpr TextId kSevenZipMissingText = 196;
constexpr TextId kSourceChangedText = 174;

bool NeedsSevenZip(const AppState& state) {
    return (state.Mode == AppMode::Backup && state.PackToArchive) ||
           (state.Mode == AppMode::Installation && state.SourceIsArchive);
}

// The checked installed packages, in list order, into the backup folder.
void CreateBackup(AppState& state) {
    const std::vector<DriverPackage*> checked = CheckedPackagesOf(state.Installed);
    ExportStatistics statistics;
    const bool succeeded =
        ExportPackages(state, state.TargetRoot, checked, state.BackupFolder, state.PackToArchive, statistics);
    if (state.CloseRequested || !state.MainWindow) return;
    const ExportResultMessage message = DescribeExportResult(statistics, succeeded, state.Language);
    ::MessageBoxW(state.MainWindow, message.Text.c_str(), L"Quillbay",
                  MB_OK | (message.Warning ? MB_ICONWARNING : MB_ICONINFORMATION));
}

}  // namespace

void RunModeAction(AppState& state) {
    if (state.Busy) {
        RequestCancel(state);
        return;
    }
    const bool needsSevenZip = NeedsSevenZip(state);
    if (RefreshSevenZipState(state)) UpdateModeControls(state);
    if (needsSevenZip && state.SevenZipPath.empty()) {
        SetStatus(state, GetText(state.Language, kSevenZipMissingText), kProgressUnchanged);
        return;
    }
    if (!IsShownListCurrent(state)) {
        SetStatus(state, GetText(state.Language, kSourceChangedText), kProgressUnchanged);
        return;
    }
    switch (state.Mode) {
    case AppMode::Removal: RemoveSelected(state); break;
    case AppMode::Installation: InstallSelected(state); break;
    case AppMode::Backup: CreateBackup(state); break;
    }
}
