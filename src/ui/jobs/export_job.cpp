#include "ui/jobs/export_job.h"

#include "operations/export_result_text.h"
#include "ui/jobs/background_job.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/busy_state.h"
#include "ui/main_window/status_line.h"

bool ExportPackages(AppState& app, const std::wstring& targetRoot, const std::vector<DriverPackage*>& packages,
                    const std::wstring& destination, bool packToArchive, ExportStatistics& statistics) {
    statistics = ExportStatistics{};
    const BackupRequest request{targetRoot, destination, packToArchive, L"", app.Language};
    const OperationCallbacks callbacks = InterfaceCallbacks(app);
    bool succeeded = false;
    SetBusy(app, true);
    const bool ran = RunJob(app, [&] { succeeded = ExportDriverPackages(request, packages, callbacks, statistics); });
    SetBusy(app, false);
    succeeded = ran && succeeded;
    SetStatus(app, ExportStatusText(statistics, succeeded, app.Language), kProgressUnchanged);
    return succeeded;
}
