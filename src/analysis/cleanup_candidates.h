#pragma once
// The automatic selection of packages to remove: older versions that a newer
// package replaces and, when the settings allow it, newer versions nothing uses.
#include <functional>
#include <string>
#include <vector>

#include "analysis/current_bindings.h"
#include "analysis/inf_name_set.h"
#include "analysis/removal_reason.h"
#include "core/localized_text.h"
#include "core/settings.h"
#include "platform/driver_package.h"

struct CleanupSelection {
    std::vector<CleanupCandidate> Candidates;  // the packages to check, in list order
    std::vector<PackageVerdict> Verdicts;      // one per package: the cleanup results
};

// Only for verified bindings. Sets every package's ReasonText in `language` and
// logs "<display name>: <reason>" for each through `logLine` (which may be empty).
CleanupSelection SelectCleanupCandidates(std::vector<DriverPackage>& packages, const RemovalOptions& options,
                                         LangId language, const InfNameSet& usedInfs,
                                         const std::vector<DeviceBinding>& bindings,
                                         const std::function<void(const std::wstring&)>& logLine);
