#pragma once
// What removing each selected package risks, decided from the risk facts of the
// running system, the device bindings and the packages that stay installed.
#include <map>
#include <string>
#include <vector>

#include "analysis/current_bindings.h"
#include "analysis/inf_name_set.h"
#include "analysis/risk_context.h"
#include "platform/driver_package.h"

// The values are those the removal confirmation shows texts for.
enum class RemovalRisk : int {
    InUseWithoutReplacement = 0,
    LastCompatiblePackage = 1,
    ProvidesWindowsDiskAccess = 2,
    BootCriticalInUse = 3,
    ActiveFilter = 4,
};

// By the file-name part of a package's PublishedName.
using RemovalRiskMap = std::map<std::wstring, RemovalRisk, InfNameLess>;

// At most one risk per selected OEM package, the first that applies: it drives
// the Windows disk, owns an active filter, is a bound boot-critical package while
// the disk's stack is not fully known, or no package that stays serves the
// hardware it serves now (in use) or supports (not in use). Pass empty
// `usedInfs` and `bindings` when the bindings are not verified.
RemovalRiskMap AssessRemovalRisks(const std::vector<DriverPackage>& packages, const InfNameSet& selectedNames,
                                  const InfNameSet& usedInfs, const std::vector<DeviceBinding>& bindings,
                                  const RiskContext& context);
