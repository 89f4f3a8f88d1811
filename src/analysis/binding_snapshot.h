#pragma once
// Everything one binding pass over a target Windows produced. Built afresh for
// every use; an unverified snapshot means device associations could not be checked.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/current_bindings.h"
#include "analysis/inf_name_set.h"
#include "analysis/risk_context.h"
#include "core/settings.h"
#include "platform/driver_package.h"
#include "platform/target_windows.h"

struct BindingSnapshot {
    InfNameSet UsedInfs;                  // current: any device, present or not; offline: any driver key
    std::vector<DeviceBinding> Bindings;  // current Windows only
    std::uint64_t DevicesExamined = 0;    // current Windows only
    std::wstring Error;                   // why it is not verified
    bool Verified = false;                // the pass completed and found at least one binding
    RiskContext Risks;                    // current Windows with removal-risk warnings only
};

// The bindings of the target: ReadCurrentBindings (with `includeAll`) for the
// running Windows, ReadOfflineBindings for an offline root. No risk facts.
BindingSnapshot ReadBindingSnapshot(const TargetWindows& target, bool includeAll);

// The removal-risk facts of the running system for a selection.
using RemovalRiskAnalysis =
    std::function<RiskContext(const std::vector<DriverPackage>& installed, const InfNameSet& selectedNames)>;

// The snapshot removal works with: every device when risks are to be warned
// about, and then, for the running Windows, the risk facts of the selection,
// gathered whether or not the bindings could be read.
BindingSnapshot TakeBindingSnapshot(const TargetWindows& target, const RemovalOptions& options,
                                    const std::vector<DriverPackage>& installed, const InfNameSet& selectedNames,
                                    const RemovalRiskAnalysis& analyzeRisks);
