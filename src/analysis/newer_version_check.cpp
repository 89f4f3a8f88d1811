#include "analysis/newer_version_check.h"

#include "analysis/hardware_id_coverage.h"
#include "analysis/package_index.h"
#include "analysis/running_evidence.h"

namespace {

class NewerVersionRun {
public:
    NewerVersionRun(const std::vector<DriverPackage>& packages, const PackageIndex& index,
                    const RemovalOptions& options, const InfNameSet& usedInfs,
                    const std::vector<DeviceBinding>& bindings, bool bindingsVerified, const InfNameSet& keepOutSet)
        : packages_(packages),
          options_(options),
          bindingsVerified_(bindingsVerified),
          keepOutSet_(keepOutSet),
          index_(index),
          inUse_(PackagesInUse(index_, usedInfs)),
          running_(CollectRunningBindings(bindings)),
          marks_(index_.LargestFamilyIdCount) {}

    NewerVersionVerdict Judge(std::size_t i) {
        NewerVersionVerdict verdict;
        const DriverPackage& newer = packages_[i];
        if (newer.BootCritical && !options_.DisableBootCriticalProtection) {
            verdict.Code = NewerVersionCode::BootCriticalProtected;
            return verdict;
        }
        if (newer.Version.empty()) return verdict;
        const bool eligible = bindingsVerified_ && !inUse_[i] && !IsSameRevisionInUse(index_, inUse_, i);
        bool held = false;  // the newer package's IDs, taken up at the first older version
        // Every overlapping older version sets the code again and every confirming
        // one replaces the candidate: the last in list order decides each.
        for (const std::size_t j : index_.Families[index_.Packages[i].Family].Members) {
            const DriverPackage& older = packages_[j];
            if (j == i || older.Version.empty() || !IsNewerPackage(index_, i, j)) continue;
            if (bindingsVerified_ && !inUse_[j]) continue;
            const bool sameInf = !newer.OriginalInfName.empty() && HaveSameInfName(index_, i, j);
            if (!held) {
                marks_.Hold(index_, i);
                held = true;
            }
            const IdCoverage coverage = marks_.CoverageBy(index_, j);
            if (!sameInf && coverage.Matched == 0) continue;
            verdict.Code = bindingsVerified_ && !options_.AllowNewerUnusedRemoval
                               ? NewerVersionCode::NewerRemovalDisabled
                               : NewerVersionCode::NewerRemovalUnconfirmed;
            if (!options_.AllowNewerUnusedRemoval || !eligible || !coverage.AllCovered) continue;
            if (keepOutSet_.contains(index_.Packages[j].PublishedName) || !MayConfirm(i, j)) continue;
            const DeviceBinding* evidence = FindRunningEvidence(index_, running_, j, marks_);
            if (evidence == nullptr) continue;
            verdict.Code = NewerVersionCode::Allowed;
            CleanupCandidate& candidate = verdict.Candidate.emplace();
            candidate.OldIndex = i;
            candidate.ReplacementIndex = j;
            candidate.DifferentInf = !sameInf;
            candidate.MatchedIds = coverage.Matched;
            candidate.IdCount = coverage.Total;
            candidate.HasRunningDevice = true;
            candidate.DeviceInstanceId = evidence->InstanceId;
            candidate.NewerUnused = true;
        }
        // A later older version that overlaps without confirming has the last
        // word; a candidate left behind would still be selected automatically.
        if (verdict.Code != NewerVersionCode::Allowed) verdict.Candidate.reset();
        return verdict;
    }

private:
    // Both packages carry everything an automatic decision relies on.
    bool MayConfirm(std::size_t newerIndex, std::size_t olderIndex) const {
        const DriverPackage& newer = packages_[newerIndex];
        const DriverPackage& older = packages_[olderIndex];
        return index_.Packages[newerIndex].Oem && (!newer.BootCritical || options_.DisableBootCriticalProtection) &&
               HasReplacementData(newer) && index_.Packages[olderIndex].Oem && HasReplacementData(older);
    }

    const std::vector<DriverPackage>& packages_;
    const RemovalOptions& options_;
    const bool bindingsVerified_;
    const InfNameSet& keepOutSet_;
    const PackageIndex& index_;
    const std::vector<bool> inUse_;
    const RunningBindings running_;
    HardwareIdMarks marks_;
};

}  // namespace

std::vector<NewerVersionVerdict> CheckNewerVersions(const std::vector<DriverPackage>& packages,
                                                    const RemovalOptions& options, const InfNameSet& usedInfs,
                                                    const std::vector<DeviceBinding>& bindings, bool bindingsVerified,
                                                    const InfNameSet& keepOutSet, bool manualAllMode) {
    return CheckNewerVersions(packages, BuildPackageIndex(packages), options, usedInfs, bindings, bindingsVerified,
                              keepOutSet, manualAllMode);
}

std::vector<NewerVersionVerdict> CheckNewerVersions(const std::vector<DriverPackage>& packages,
                                                    const PackageIndex& index, const RemovalOptions& options,
                                                    const InfNameSet& usedInfs,
                                                    const std::vector<DeviceBinding>& bindings, bool bindingsVerified,
                                                    const InfNameSet& keepOutSet, bool manualAllMode) {
    std::vector<NewerVersionVerdict> verdicts(packages.size());
    for (std::size_t i = 0; i < packages.size(); ++i) {
        if (!index.Packages[i].Oem) verdicts[i].Code = NewerVersionCode::NotRemovable;
    }
    if (manualAllMode) return verdicts;
    NewerVersionRun run(packages, index, options, usedInfs, bindings, bindingsVerified, keepOutSet);
    for (std::size_t i = 0; i < packages.size(); ++i) {
        if (verdicts[i].Code == NewerVersionCode::Allowed) verdicts[i] = run.Judge(i);
    }
    return verdicts;
}
