#include "analysis/old_version_detection.h"

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
            cannotReplace_[j] = !index_.Packages[j].Oem || IsKeptBootCritical(package) ||
                                !HasReplacementData(package) ||
                                excludedReplacements.contains(index_.Packages[j].PublishedName);
        }
    }

    std::vector<PackageVerdict> Run() {
        std::vector<PackageVerdict> verdicts(packages_.size());
        // A replacement is always newer, so deciding the newest first lets every
        // package know which of its possible replacements are going away.
        for (const DriverFamily& family : index_.Families) {
            for (const std::size_t i : family.NewestFirst) {
                verdicts[i] = Judge(i);
                if (verdicts[i].Reason == RemovalReason::ConfirmedReplacement) cannotReplace_[i] = true;
            }
        }
        return verdicts;
    }

private:
    bool IsKeptBootCritical(const DriverPackage& package) const { return package.BootCritical && !allowBootCritical_; }

    // The first rule that keeps the package whatever its family holds.
    std::optional<RemovalReason> StandingReason(std::size_t i) const {
        const DriverPackage& package = packages_[i];
        if (!index_.Packages[i].Oem || IsKeptBootCritical(package)) return RemovalReason::Protected;
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
        verdict.Reason = best->Accepted ? RemovalReason::ConfirmedReplacement : RemovalReason::PossibleReplacement;
        CleanupCandidate& candidate = verdict.Candidate;
        candidate.OldIndex = i;
        candidate.ReplacementIndex = best->Index;
        // The dates as CompareVersions reads them, read once by the index.
        candidate.OldDateNewer =
            CompareVersionNumbers(index_.Packages[i].Revision.Date, index_.Packages[best->Index].Revision.Date) > 0;
        candidate.DifferentInf = !HaveSameInfName(index_, i, best->Index);
        candidate.MatchedIds = best->Coverage.Matched;
        candidate.IdCount = best->Coverage.Total;
        candidate.HasRunningDevice = best->Evidence != nullptr;
        if (best->Evidence != nullptr) candidate.DeviceInstanceId = best->Evidence->InstanceId;
        return verdict;
    }

    // An accepted replacement beats any other, a newer one an older one, and of
    // equally new ones the first in the list: the first accepted one met newest
    // first, else the first plausible one.
    std::optional<Replacement> BestReplacement(std::size_t i) {
        marks_.Hold(index_, i);
        std::optional<Replacement> plausibleBest;
        for (const std::size_t j : index_.Families[index_.Packages[i].Family].NewestFirst) {
            if (!IsNewerPackage(index_, j, i)) break;
            if (cannotReplace_[j]) continue;
            // A package with another INF name can replace this one only when it
            // is itself bound to a device.
            const bool sameInf = HaveSameInfName(index_, i, j);
            if (!sameInf && !inUse_[j]) continue;
            Replacement offer;
            offer.Index = j;
            offer.Coverage = marks_.CoverageBy(index_, j);
            const DeviceBinding* evidence = inUse_[j] ? FindRunningEvidence(index_, running_, j, marks_) : nullptr;
            offer.Accepted = offer.Coverage.AllCovered || evidence != nullptr;
            offer.Evidence = offer.Coverage.AllCovered ? nullptr : evidence;
            if (offer.Accepted) return offer;
            const bool plausible =
                sameInf || (offer.Coverage.Total > 0 && offer.Coverage.Matched * 100 >= offer.Coverage.Total * 95);
            if (plausible && !plausibleBest) plausibleBest = offer;
        }
        return plausibleBest;
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
