#pragma once
// Copying installed packages out of a target's Driver Store into a new,
// timestamped backup folder (one folder per package, grouped by class, each with
// its package-info.json, and a manifest.json at the root), optionally packed
// into a 7z archive afterwards.
#include <cstdint>
#include <string>
#include <vector>

#include "core/localized_text.h"
#include "core/operation_callbacks.h"
#include "platform/driver_package.h"

struct BackupRequest {
    std::wstring TargetRoot;   // locates each package's Driver Store folder
    std::wstring Destination;  // the backup folder is created in it; created when missing
    bool PackToArchive = false;
    std::wstring ArchivePath;  // empty: the backup folder's path + ".7z"
    LangId Language = 1;       // of the localized texts reported
};

struct ExportStatistics {
    std::int32_t Exported = 0;  // packages listed in the manifest
    std::int32_t Failures = 0;  // failed packages, plus a failed manifest or archive
    bool Cancelled = false;
    std::wstring ResultPath;  // the backup folder, or the archive that replaced it; empty: none created
};

// Runs on a worker thread. Per-package failures are logged, counted and skipped;
// a failed package leaves no folder behind, so a partial or cancelled backup
// holds exactly the packages its manifest lists. Cancellation is checked before
// each package, after the manifest and after the archive; a running 7-Zip is
// never stopped. The archive is made only when nothing failed and nothing was
// cancelled; a failed archive keeps the folder. True only when no package
// failed, nothing else failed and nothing was cancelled.
[[nodiscard]] bool ExportDriverPackages(const BackupRequest& request, const std::vector<DriverPackage*>& packages,
                                        const OperationCallbacks& callbacks, ExportStatistics& statistics);
