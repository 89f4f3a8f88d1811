#include "analysis/old_version_detection.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "analysis/hardware_id_coverage.h"
#include "analysis/package_index.h"
#include "analysis/running_evidence.h"

namespace {

struct Replacement {
    std::size_t Index = 0;
    bool Accepted = false;
    IdCoverage Coverage;
    const DeviceBinding* Evidence = nullptr;  // kept only when the IDs are not all covered
};

class OldVersionRun {
public:
    OldVersionRun(const std::vector<DriverPackage>& packages, const PackageIndex& index, const InfNameSet& usedInfs,
                  const std::vector<DeviceBinding>& bindings, bool allowBootCritical,
                  const InfNameSet& excludedReplacements)
        : packages_(packages),
          allowBootCritical_(allowBootCritical),
          index_(index),
          inUse_(PackagesInUse(index_, usedInfs)),
          running_(CollectRunningBindings(bindings)),
          marks_(index_.LargestFamilyIdCount),
          cannotReplace_(packages.size()) {
        for (std::size_t j = 0; j < packages.size(); ++j) {
            const DriverPackage& package = packages[j];
            cannotReplace_[j] = !IsOemPackage(package) || IsKeptBootCritical(package) || !HasReplacementData(package) ||
                                excludedReplacements.contains(index_.Packages[j].PublishedName);
        }
    }

    std::vector<PackageVerdict> Run() {
        std::vector<PackageVerdict> verdicts(packages_.size());
        // A replacement is always newer, so deciding the newest first lets every
        // package know which of its possible replacements are going away.
        for (const std::size_t i : NewestFirst()) {
            verdicts[i] = Judge(i);
            if (verdicts[i].Reason == RemovalReason::ConfirmedReplacement) cannotReplace_[i] = true;
        }
        return verdicts;
    }

private:
    bool IsKeptBootCritical(const DriverPackage& package) const { return package.BootCritical && !allowBootCritical_; }

    std::vector<std::size_t> NewestFirst() const {
        std::vector<std::size_t> order(packages_.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return index_.Packages[a].NewerRank > index_.Packages[b].NewerRank;
        });
        return order;
    }

    // The first rule that keeps the package whatever its family holds.
    std::optional<RemovalReason> StandingReason(std::size_t i) const {
        const DriverPackage& package = packages_[i];
        if (!IsOemPackage(package) || IsKeptBootCritical(package)) return RemovalReason::Protected;
        if (IsPrinterClassInf(package.OriginalInfName)) return RemovalReason::Protected;
        if (inUse_[i]) return RemovalReason::AssociatedWithDevice;
        if (!package.HardwareIdsComplete || package.OriginalInfName.empty() || package.Version.empty() ||
            package.Provider.empty() || (package.ClassGuid.empty() && package.ClassName.empty()))
            return RemovalReason::InsufficientData;
        if (!package.HasModelsSection) return RemovalReason::TargetNotConfirmed;
        if (IsSameRevisionInUse(index_, inUse_, i)) return RemovalReason::AssociatedWithDevice;
        return std::nullopt;
    }

    PackageVerdict Judge(std::size_t i) {
        PackageVerdict verdict;
        if (const std::optional<RemovalReason> reason = StandingReason(i)) {
            verdict.Reason = *reason;
            return verdict;
        }
        verdict.Reason = RemovalReason::NoNewerVersion;
        const std::optional<Replacement> best = BestReplacement(i);
        if (!best) return verdict;
        const DriverPackage& old = packages_[i];
        const DriverPackage& replacement = packages_[best->Index];
        verdict.Reason = best->Accepted ? RemovalReason::ConfirmedReplacement : RemovalReason::PossibleReplacement;
        CleanupCandidate& candidate = verdict.Candidate;
        candidate.OldIndex = i;
        candidate.ReplacementIndex = best->Index;
        candidate.OldDateNewer = CompareVersions(old.Date, replacement.Date) > 0;
        candidate.DifferentInf = !HaveSameInfName(index_, i, best->Index);
        candidate.MatchedIds = best->Coverage.Matched;
        candidate.IdCount = best->Coverage.Total;
        candidate.HasRunningDevice = best->Evidence != nullptr;
        if (best->Evidence != nullptr) candidate.DeviceInstanceId = best->Evidence->InstanceId;
        return verdict;
    }

    std::optional<Replacement> BestReplacement(std::size_t i) {
        marks_.Hold(index_.Packages[i].HardwareIds);
        std::optional<Replacement> best;
        for (const std::size_t j : index_.Families[index_.Packages[i].Family].Members) {
            if (j == i || cannotReplace_[j] || !IsNewerPackage(index_, j, i)) continue;
            // A package with another INF name can replace this one only when it
            // is itself bound to a device.
            const bool sameInf = HaveSameInfName(index_, i, j);
            if (!sameInf && !inUse_[j]) continue;
            Replacement offer;
            offer.Index = j;
            offer.Coverage = marks_.CoverageBy(index_.Packages[j].HardwareIds);
            const DeviceBinding* evidence = inUse_[j] ? FindRunningEvidence(index_, running_, j, marks_) : nullptr;
            offer.Accepted = offer.Coverage.AllCovered || evidence != nullptr;
            const bool plausible =
                sameInf || (offer.Coverage.Total > 0 && offer.Coverage.Matched * 100 >= offer.Coverage.Total * 95);
            if (!offer.Accepted && !plausible) continue;
            offer.Evidence = offer.Coverage.AllCovered ? nullptr : evidence;
            if (!best || (offer.Accepted && !best->Accepted) ||
                (offer.Accepted == best->Accepted && IsNewerPackage(index_, j, best->Index)))
                best = offer;
        }
        return best;
    }

    const std::vector<DriverPackage>& packages_;
    const bool allowBootCritical_;
    const PackageIndex& index_;
    const std::vector<bool> inUse_;
    const RunningBindings running_;
    HardwareIdMarks marks_;
    std::vector<bool> cannotReplace_;  // never a replacement, whatever package is examined
};

}  // namespace

std::vector<PackageVerdict> FindOldVersions(const std::vector<DriverPackage>& packages, const InfNameSet& usedInfs,
                                            const std::vector<DeviceBinding>& bindings, bool allowBootCritical,
                                            const InfNameSet& excludedReplacements) {
    return FindOldVersions(packages, BuildPackageIndex(packages), usedInfs, bindings, allowBootCritical,
                           excludedReplacements);
}

std::vector<PackageVerdict> FindOldVersions(const std::vector<DriverPackage>& packages, const PackageIndex& index,
                                            const InfNameSet& usedInfs, const std::vector<DeviceBinding>& bindings,
                                            bool allowBootCritical, const InfNameSet& excludedReplacements) {
    return OldVersionRun(packages, index, usedInfs, bindings, allowBootCritical, excludedReplacements).Run();
}
