#include "analysis/cleanup_candidates.h"

#include "analysis/newer_version_check.h"
#include "analysis/old_version_detection.h"
#include "platform/package_text.h"

CleanupSelection SelectCleanupCandidates(std::vector<DriverPackage>& packages, const RemovalOptions& options,
                                         LangId language, const InfNameSet& usedInfs,
                                         const std::vector<DeviceBinding>& bindings,
                                         const std::function<void(const std::wstring&)>& logLine) {
    const PackageIndex index = BuildPackageIndex(packages);
    const std::vector<NewerVersionVerdict> newer =
        CheckNewerVersions(packages, index, options, usedInfs, bindings, true, InfNameSet(), false);
    // Newer unused packages about to be removed cannot replace anything.
    InfNameSet leaving;
    for (std::size_t i = 0; i < packages.size(); ++i) {
        if (newer[i].Candidate) leaving.insert(index.Packages[i].PublishedName);
    }
    CleanupSelection selection;
    selection.Verdicts =
        FindOldVersions(packages, index, usedInfs, bindings, options.DisableBootCriticalProtection, leaving);
    for (std::size_t i = 0; i < packages.size(); ++i) {
        PackageVerdict& verdict = selection.Verdicts[i];
        if (newer[i].Candidate) {
            verdict = {RemovalReason::ConfirmedReplacement, *newer[i].Candidate};
        } else if (newer[i].Code == NewerVersionCode::NewerRemovalDisabled) {
            verdict = {RemovalReason::NewerRemovalDisabled, {}};
        } else if (newer[i].Code == NewerVersionCode::NewerRemovalUnconfirmed) {
            verdict = {RemovalReason::NewerRemovalUnconfirmed, {}};
        }
        packages[i].ReasonText = DescribeReason(language, verdict, packages);
        if (logLine) logLine(PackageDisplayName(packages[i]) + L": " + packages[i].ReasonText);
        if (verdict.Reason == RemovalReason::ConfirmedReplacement) selection.Candidates.push_back(verdict.Candidate);
    }
    return selection;
}
