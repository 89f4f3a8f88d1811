#pragma once
// The facts of the running system that make removing selected packages risky:
// the storage stack below the Windows disk and the filter drivers attached now.
#include <vector>

#include "analysis/inf_name_set.h"
#include "analysis/risk_context.h"
#include "platform/driver_package.h"

// Current Windows only. Nothing when `selectedNames` is empty; every probe that
// cannot run contributes nothing, so the result is never an error.
RiskContext AnalyzeRemovalRisks(const std::vector<DriverPackage>& packages, const InfNameSet& selectedNames);
