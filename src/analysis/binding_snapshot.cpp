#include "analysis/binding_snapshot.h"

#include "analysis/offline_bindings.h"

BindingSnapshot ReadBindingSnapshot(const TargetWindows& target, bool includeAll) {
    BindingSnapshot snapshot;
    snapshot.Verified = target.IsCurrent ? ReadCurrentBindings(snapshot.UsedInfs, snapshot.DevicesExamined,
                                                               snapshot.Error, &snapshot.Bindings, includeAll)
                                         : ReadOfflineBindings(target.Root, snapshot.UsedInfs, snapshot.Error);
    return snapshot;
}

BindingSnapshot TakeBindingSnapshot(const TargetWindows& target, const RemovalOptions& options,
                                    const std::vector<DriverPackage>& installed, const InfNameSet& selectedNames,
                                    const RemovalRiskAnalysis& analyzeRisks) {
    BindingSnapshot snapshot = ReadBindingSnapshot(target, options.WarnAboutRisks);
    if (target.IsCurrent && options.WarnAboutRisks) snapshot.Risks = analyzeRisks(installed, selectedNames);
    return snapshot;
}
