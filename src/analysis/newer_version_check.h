#pragma once
// The newer-version check: for every package, whether it is a newer version that
// nothing uses while a compatible older version runs (removable only when the
// user allows it), or a newer version whose removal must be refused.
#include <optional>
#include <vector>

#include "analysis/current_bindings.h"
#include "analysis/inf_name_set.h"
#include "analysis/package_index.h"
#include "analysis/removal_reason.h"
#include "core/settings.h"
#include "platform/driver_package.h"

enum class NewerVersionCode : int {
    Allowed = 0,
    NotRemovable = 1,  // not a removable OEM package
    BootCriticalProtected = 2,
    NewerRemovalDisabled = 3,
    NewerRemovalUnconfirmed = 4,
};

struct NewerVersionVerdict {
    NewerVersionCode Code = NewerVersionCode::Allowed;
    // Present when the package may go as a newer unused version.
    std::optional<CleanupCandidate> Candidate;
};

// One verdict per package, in list order. Reads DisableBootCriticalProtection and
// AllowNewerUnusedRemoval of `options`. Older versions named in `keepOutSet` are
// about to be removed themselves and confirm nothing. `manualAllMode` lets every
// OEM package through unexamined. Without verified bindings nothing is eligible,
// and every newer package that overlaps an older one is refused.
std::vector<NewerVersionVerdict> CheckNewerVersions(const std::vector<DriverPackage>& packages,
                                                    const RemovalOptions& options, const InfNameSet& usedInfs,
                                                    const std::vector<DeviceBinding>& bindings, bool bindingsVerified,
                                                    const InfNameSet& keepOutSet, bool manualAllMode);

// The same with an index already built from `packages`.
std::vector<NewerVersionVerdict> CheckNewerVersions(const std::vector<DriverPackage>& packages,
                                                    const PackageIndex& index, const RemovalOptions& options,
                                                    const InfNameSet& usedInfs,
                                                    const std::vector<DeviceBinding>& bindings, bool bindingsVerified,
                                                    const InfNameSet& keepOutSet, bool manualAllMode);
