#pragma once
// The export as a job of the main window: the Backup action and the safety
// backup before a removal. The message box that follows an interactive export
// belongs to the window (DescribeExportResult gives its text).
#include <string>
#include <vector>

#include "operations/backup_export.h"

struct AppState;

// Runs ExportDriverPackages for packages of the target at `targetRoot` as a job:
// busy while it runs, lines to the event log, progress on the status line (the
// marquee without a percent), the action button cancels. Leaves
// ExportStatusText on the status line. A job that failed by an exception gives
// false. The backup folder or archive is statistics.ResultPath.
[[nodiscard]] bool ExportPackages(AppState& app, const std::wstring& targetRoot,
                                  const std::vector<DriverPackage*>& packages, const std::wstring& destination,
                                  bool packToArchive, ExportStatistics& statistics);
