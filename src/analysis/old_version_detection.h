#pragma once
// The old-version check: for every package, whether a newer package of its driver
// family is installed that replaces it, and how well that is confirmed.
#include <vector>

#include "analysis/current_bindings.h"
#include "analysis/inf_name_set.h"
#include "analysis/package_index.h"
#include "analysis/removal_reason.h"
#include "platform/driver_package.h"

// One verdict per package, in list order. A package is ConfirmedReplacement only
// when a newer family member that stays installed supports every one of its
// hardware IDs or runs a device it supports. Packages named in
// `excludedReplacements` (about to be removed) never replace another, and
// neither does a package this check itself confirms for removal.
std::vector<PackageVerdict> FindOldVersions(const std::vector<DriverPackage>& packages, const InfNameSet& usedInfs,
                                            const std::vector<DeviceBinding>& bindings, bool allowBootCritical,
                                            const InfNameSet& excludedReplacements);

// The same with an index already built from `packages`, for a caller that runs
// both checks over one list.
std::vector<PackageVerdict> FindOldVersions(const std::vector<DriverPackage>& packages, const PackageIndex& index,
                                            const InfNameSet& usedInfs, const std::vector<DeviceBinding>& bindings,
                                            bool allowBootCritical, const InfNameSet& excludedReplacements);
