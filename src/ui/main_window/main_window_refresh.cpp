// Reading the lists the window shows: the installed packages of the chosen
// target (then their sizes), the packages of an install source, and whether
// 7-Zip is there to pack and unpack archives.
#include <windows.h>

#include "analysis/installed_inventory.h"
#include "core/localized_text.h"
#include "operations/install_source.h"
#include "operations/seven_zip_locator.h"
#include "platform/target_windows.h"
#include "ui/dialogs/log_window.h"
#include "ui/jobs/background_job.h"
#include "ui/main_window/busy_state.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_enabling.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

constexpr TextId kNoTargetText = 90;
constexpr TextId kReadingText = 95;
constexpr TextId kSearchingInfText = 97;
constexpr TextId kInstalledCountText = 136;
constexpr TextId kSourceCountText = 138;
constexpr TextId kFailedText = 173;
constexpr TextId kSizingText = 176;
constexpr TextId kNoSourceText = 177;
constexpr int kSizingStartPercent = 60;

bool CanReadTarget(const AppState& state) {
    if (state.TargetRoot.empty() || !state.Dism.IsInitialized()) return false;
    return state.TargetIsCurrent || IsWindowsRoot(state.TargetRoot);
}

BindingStatistics StatisticsOf(const InstalledInventory& inventory) {
    BindingStatistics statistics;
    if (!inventory.Usage) return statistics;
    statistics.Associated = inventory.Usage->AssociatedCount;
    statistics.AssociatedKnown = true;
    statistics.Running = inventory.Usage->RunningCount.value_or(0);
    statistics.RunningKnown = inventory.Usage->RunningCount.has_value();
    return statistics;
}

// Sizes are measured on a copy: the tree points into the shown list while the
// worker runs, and the window may repaint meanwhile.
void MeasureInstalledSizes(AppState& state, const std::wstring& root) {
    std::vector<DriverPackage> measured = state.Installed;
    const OperationCallbacks callbacks = InterfaceCallbacks(state);
    SetStatus(state, GetText(state.Language, kSizingText), kSizingStartPercent);
    (void)RunJob(state, [&] { ComputePackageSizes(measured, root, state.SizeCache, state.Language, callbacks); });
    for (std::size_t i = 0; i < measured.size() && i < state.Installed.size(); ++i)
        state.Installed[i].SizeBytes = measured[i].SizeBytes;
}

}  // namespace

void RefreshInstalledDrivers(AppState& state, const std::function<void(std::vector<DriverPackage>&)>& onList) {
    if (state.Busy) return;
    const bool showsInstalled = state.Mode != AppMode::Installation;
    state.ClassNameCache.clear();
    state.InstalledKey = {};
    state.Installed.clear();
    state.Bindings = {};
    state.CleanupResults.clear();
    RefreshLogWindow(state);
    if (showsInstalled) RebuildTree(state);
    if (!CanReadTarget(state)) {
        SetStatus(state, GetText(state.Language, kNoTargetText), kProgressUnchanged);
        return;
    }

    const std::wstring root = state.TargetRoot;
    const bool isCurrent = state.TargetIsCurrent;
    SetBusy(state, true);
    SetStatus(state, GetText(state.Language, kReadingText), 0);
    InstalledInventory inventory;
    const OperationCallbacks callbacks = InterfaceCallbacks(state);
    const bool ran = RunJob(state, [&] {
        ReadInstalledPackages(state.Dism, isCurrent, root, state.Language, callbacks, inventory);
        if (inventory.Done && onList) onList(inventory.Packages);
    });
    const bool produced = ran && inventory.Done;
    if (produced) {
        state.Installed = std::move(inventory.Packages);
        state.Bindings = StatisticsOf(inventory);
        state.InstalledKey = MakeLoadedListKey(root, isCurrent);
        RefreshLogWindow(state);
        if (showsInstalled) RebuildTree(state);
        MeasureInstalledSizes(state, root);
    } else if (ran && !inventory.Error.empty()) {
        Log(state.Events, inventory.Error);
        ::MessageBoxW(state.MainWindow, inventory.Error.c_str(), L"Quillbay", MB_OK | MB_ICONERROR);
    }
    SetBusy(state, false);
    if (produced && !state.CancelRequested) {
        SetStatus(state, GetText(state.Language, kInstalledCountText) + std::to_wstring(state.Installed.size()),
                  kProgressUnchanged);
    }
    if (showsInstalled) RebuildTree(state);
}

void ScanInstallFolder(AppState& state) {
    if (state.Busy) return;
    const std::wstring source = InstallSourcePath(state);
    const bool isArchive = state.SourceIsArchive;
    state.SourceKey = {};
    state.Sources.clear();
    RebuildTree(state);
    if (source.empty()) {
        SetStatus(state, GetText(state.Language, kNoSourceText), kProgressUnchanged);
        return;
    }

    SetBusy(state, true);
    SetStatus(state, GetText(state.Language, kSearchingInfText), 0);
    InstallSourceScan scan;
    const OperationCallbacks callbacks = InterfaceCallbacks(state);
    const bool ran = RunJob(state, [&] {
        ScanInstallSource(source, isArchive, state.Language, callbacks, state.ExtractedSourceFolder, scan);
    });
    if (ran && scan.Done) {
        state.Sources = std::move(scan.Packages);
        state.SourceKey = MakeLoadedListKey(source, isArchive);
        SetStatus(state, GetText(state.Language, kSourceCountText) + std::to_wstring(state.Sources.size()),
                  kProgressUnchanged);
    } else {
        // Nothing points into a failed or cancelled extraction.
        DiscardExtractedSource(state.ExtractedSourceFolder);
        if (!scan.Error.empty()) {
            Log(state.Events, scan.Error);
            SetStatus(state, GetText(state.Language, kFailedText), kProgressUnchanged);
        }
    }
    SetBusy(state, false);
    RebuildTree(state);
}

bool RefreshSevenZipState(AppState& state) {
    const std::wstring path = Locate7Zip().Path;
    const bool wasFound = !state.SevenZipPath.empty();
    const bool pathChanged = path != state.SevenZipPath;
    state.SevenZipPath = path;
    if (path.empty()) {
        state.PackToArchive = false;
        if (state.SourceIsArchive) {
            state.SourceIsArchive = false;
            state.SourceKey = {};
            state.Sources.clear();
            DiscardExtractedSource(state.ExtractedSourceFolder);
        }
    }
    if (pathChanged) RefreshLogWindow(state);
    return wasFound != !path.empty();
}
