#include "analysis/removal_risk_assessment.h"

#include <cstddef>
#include <optional>

#include "analysis/hardware_id_coverage.h"
#include "analysis/hardware_id_numbering.h"
#include "analysis/package_index.h"
#include "analysis/running_evidence.h"

namespace {

// The devices bound to each INF, in binding order.
using BoundDevices = std::map<std::wstring, std::vector<const DeviceBinding*>, InfNameLess>;

class RiskRun {
public:
    RiskRun(const std::vector<DriverPackage>& packages, const InfNameSet& selectedNames, const InfNameSet& usedInfs,
            const std::vector<DeviceBinding>& bindings, const RiskContext& context)
        : packages_(packages),
          selected_(selectedNames),
          context_(context),
          index_(BuildPackageIndex(packages)),
          inUse_(PackagesInUse(index_, usedInfs)),
          running_(CollectRunningBindings(bindings)),
          marks_(index_.LargestFamilyIdCount) {
        for (const DeviceBinding& binding : bindings) bound_[binding.InfName].push_back(&binding);
    }

    RemovalRiskMap Run() {
        RemovalRiskMap risks;
        for (std::size_t i = 0; i < packages_.size(); ++i) {
            if (!selected_.contains(index_.Packages[i].PublishedName) || !IsOemPackage(packages_[i])) continue;
            if (const std::optional<RemovalRisk> risk = Assess(i))
                risks.emplace(index_.Packages[i].PublishedName, *risk);
        }
        return risks;
    }

private:
    std::optional<RemovalRisk> Assess(std::size_t i) {
        const DriverPackage& package = packages_[i];
        const std::wstring& name = index_.Packages[i].PublishedName;
        if (context_.BootStorageInfs.contains(name)) return RemovalRisk::ProvidesWindowsDiskAccess;
        if (context_.FilterPackages.contains(name)) return RemovalRisk::ActiveFilter;
        if (inUse_[i] && package.BootCritical && !context_.BootStackComplete) return RemovalRisk::BootCriticalInUse;

        const std::vector<bool> remainingIds = IdsOfRemainingMembers(i);
        const HardwareIdNumbers& ids = index_.Packages[i].HardwareIds;
        // Without IDs of its own nothing can be shown to cover the package.
        const bool knownHardware = package.HardwareIdsComplete && package.HasModelsSection && !ids.empty();
        bool covered = knownHardware;
        for (const std::uint32_t id : ids) covered = covered && remainingIds[id];

        if (!inUse_[i]) {
            if (knownHardware && !covered && !RemainingMemberRunsItsHardware(i))
                return RemovalRisk::LastCompatiblePackage;
            return std::nullopt;
        }
        const auto devices = bound_.find(name);
        if (devices == bound_.end()) {
            return covered ? std::nullopt : std::optional(RemovalRisk::InUseWithoutReplacement);
        }
        for (const DeviceBinding* device : devices->second) {
            if (!IsServed(i, *device, remainingIds, covered)) return RemovalRisk::InUseWithoutReplacement;
        }
        return std::nullopt;
    }

    // The family members that stay installed and could serve hardware.
    bool Remains(std::size_t j) const {
        return !selected_.contains(index_.Packages[j].PublishedName) && IsOemPackage(packages_[j]) &&
               HasReplacementData(packages_[j]);
    }

    // Per hardware-ID number of package `i`'s family: some remaining member lists it.
    std::vector<bool> IdsOfRemainingMembers(std::size_t i) const {
        const DriverFamily& family = index_.Families[index_.Packages[i].Family];
        std::vector<bool> listed(family.HardwareIds.Count());
        for (const std::size_t j : family.Members) {
            if (!Remains(j)) continue;
            for (const std::uint32_t id : index_.Packages[j].HardwareIds) listed[id] = true;
        }
        return listed;
    }

    bool RemainingMemberRunsItsHardware(std::size_t i) {
        marks_.Hold(index_.Packages[i].HardwareIds);
        for (const std::size_t j : index_.Families[index_.Packages[i].Family].Members) {
            if (Remains(j) && FindRunningEvidence(index_, running_, j, marks_) != nullptr) return true;
        }
        return false;
    }

    bool IsServed(std::size_t i, const DeviceBinding& device, const std::vector<bool>& remainingIds,
                  bool covered) const {
        if (device.HardwareIds.empty()) return covered;
        std::wstring lowered;
        for (const std::wstring& id : device.HardwareIds) {
            LowerHardwareId(id, lowered);
            std::uint32_t number = 0;
            if (FindFamilyHardwareId(index_, i, lowered, number) && remainingIds[number]) return true;
        }
        return false;
    }

    const std::vector<DriverPackage>& packages_;
    const InfNameSet& selected_;
    const RiskContext& context_;
    const PackageIndex index_;
    const std::vector<bool> inUse_;
    const RunningBindings running_;
    HardwareIdMarks marks_;
    BoundDevices bound_;
};

}  // namespace

RemovalRiskMap AssessRemovalRisks(const std::vector<DriverPackage>& packages, const InfNameSet& selectedNames,
                                  const InfNameSet& usedInfs, const std::vector<DeviceBinding>& bindings,
                                  const RiskContext& context) {
    if (selectedNames.empty()) return {};
    return RiskRun(packages, selectedNames, usedInfs, bindings, context).Run();
}
