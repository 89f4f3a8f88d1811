#include "operations/removal_review.h"

#include "analysis/removal_risks.h"
#include "platform/package_text.h"
#include "platform/removal_permission.h"

InfNameSet SelectedNames(const std::vector<DriverPackage*>& selection) {
    InfNameSet names;
    for (const DriverPackage* package : selection) names.insert(FileNamePart(package->PublishedName));
    return names;
}

std::size_t IndexInList(const std::vector<DriverPackage>& installed, const DriverPackage* package) {
    return static_cast<std::size_t>(package - installed.data());
}

BindingSnapshot TakeRemovalSnapshot(const RemovalScope& scope, const InfNameSet& selectedNames) {
    return TakeBindingSnapshot(scope.Target, scope.Options, scope.Installed, selectedNames, AnalyzeRemovalRisks);
}

std::vector<NewerVersionVerdict> CheckSelectionVersions(const RemovalScope& scope, const InfNameSet& selectedNames,
                                                        const InfNameSet& usedInfs,
                                                        const std::vector<DeviceBinding>& bindings,
                                                        bool bindingsVerified) {
    return CheckNewerVersions(scope.Installed, scope.Options, usedInfs, bindings, bindingsVerified, selectedNames,
                              ManualRemoveAllEnabled(scope.Options, scope.Target));
}

RemovalRiskMap AssessSelectionRisks(const RemovalScope& scope, const InfNameSet& selectedNames,
                                    const BindingSnapshot& snapshot) {
    if (!scope.Options.WarnAboutRisks) return {};
    if (snapshot.Verified)
        return AssessRemovalRisks(scope.Installed, selectedNames, snapshot.UsedInfs, snapshot.Bindings,
                                  snapshot.Risks);
    return AssessRemovalRisks(scope.Installed, selectedNames, {}, {}, snapshot.Risks);
}

bool DecisionOutdated(const RemovalScope& scope, const std::vector<DriverPackage*>& selection,
                      const BindingSnapshot& snapshot, const std::vector<NewerVersionVerdict>& verdicts,
                      const RemovalRiskMap& risks, const RemovalDecision& decision) {
    const bool compareUse = decision.BindingsVerified && snapshot.Verified;
    if (decision.BindingsVerified && !snapshot.Verified && !ManualRemoveAllEnabled(scope.Options, scope.Target))
        return true;
    for (const DriverPackage* package : selection) {
        const NewerVersionVerdict& verdict = verdicts[IndexInList(scope.Installed, package)];
        const std::wstring name = FileNamePart(package->PublishedName);
        if (verdict.Code != NewerVersionCode::Allowed) return true;
        // A risk that went away is no change; a new or different one is.
        if (const auto risk = risks.find(name); risk != risks.end()) {
            const auto confirmed = decision.ConfirmedRisks.find(name);
            if (confirmed == decision.ConfirmedRisks.end() || confirmed->second != risk->second) return true;
        }
        if (verdict.Candidate.has_value() != decision.ConfirmedNewerUnused.contains(name)) return true;
        if (compareUse && snapshot.UsedInfs.contains(name) != decision.ConfirmedInUse.contains(name)) return true;
    }
    return false;
}

bool RemovalForced(const RemovalScope& scope, const RemovalDecision& decision, bool newerUnused) {
    return !newerUnused && (decision.BindingsVerified || ManualRemoveAllEnabled(scope.Options, scope.Target));
}

std::wstring RemovalRiskText(LangId language, RemovalRisk risk) {
    switch (risk) {
        case RemovalRisk::InUseWithoutReplacement: return GetText(language, 245);
        case RemovalRisk::LastCompatiblePackage: return GetText(language, 246);
        case RemovalRisk::ProvidesWindowsDiskAccess: return GetText(language, 251);
        case RemovalRisk::BootCriticalInUse: return GetText(language, 252);
        case RemovalRisk::ActiveFilter: return GetText(language, 253);
    }
    return {};
}

bool IsCriticalRisk(RemovalRisk risk, const DriverPackage& package) {
    return risk == RemovalRisk::ProvidesWindowsDiskAccess || risk == RemovalRisk::BootCriticalInUse ||
           (risk == RemovalRisk::InUseWithoutReplacement && package.BootCritical);
}
