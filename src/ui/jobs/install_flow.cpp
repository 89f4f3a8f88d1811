#include "ui/jobs/install_flow.h"

#include <vector>

#include "operations/install_summary.h"
#include "operations/package_install.h"
#include "ui/jobs/background_job.h"
#include "ui/jobs/hibernation_guard.h"
#include "ui/jobs/operation_job.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

void InstallSelected(AppState& state) {
    if (state.Busy) return;
    const std::vector<DriverPackage*> selection = CheckedPackagesOf(state.Sources);
    if (selection.empty() || RefuseHibernatedTarget(state)) return;
    const LangId language = state.Language;
    const TargetWindows target{L"", state.TargetRoot, state.TargetIsCurrent};
    const std::wstring question = GetText(language, target.IsCurrent ? 131 : 132) + std::wstring(L"\r\n\r\n") +
                                  GetText(language, 116) + std::to_wstring(selection.size());
    if (::MessageBoxW(state.MainWindow, question.c_str(), L"Quillbay",
                      MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;

    InstallResult result;
    const OperationCallbacks callbacks = InterfaceCallbacks(state);
    const JobEnding job = RunOperationJob(
        state, [&] { InstallPackages(selection, target, language, state.Dism, callbacks, result); });
    // The Driver Store changed under the installed list.
    if (result.Attempted) state.InstalledKey = LoadedListKey{};
    if (state.CloseRequested) return;
    InstallEnding ending;
    ending.Failed = job.Failed;
    ending.Cancelled = job.Cancelled;

    if (result.Attempted) {
        RefreshInstalledDrivers(state, [&](std::vector<DriverPackage>& installed) {
            LabelKeptItems(result.Kept, installed, target.Root, callbacks);
        });
    }
    ending.Tally = ResolveKeptItems(result.Kept, result.Installed, result.Errors, callbacks);
    if (!::IsWindow(state.MainWindow) || state.CloseRequested) return;
    ending.ListStale =
        result.Attempted && !IsLoadedListCurrent(state.InstalledKey, state.TargetRoot, state.TargetIsCurrent);
    SetStatus(state, InstallStatusText(result, language), 100);
    ::MessageBoxW(state.MainWindow, InstallSummaryText(result, ending, language).c_str(), L"Quillbay",
                  MB_OK | (InstallSummaryWarns(result, ending) ? MB_ICONWARNING : MB_ICONINFORMATION));
}
