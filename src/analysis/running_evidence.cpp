#include "analysis/running_evidence.h"

#include <algorithm>

namespace {

bool Lists(const HardwareIdNumbers& ids, std::uint32_t number) {
    return std::find(ids.begin(), ids.end(), number) != ids.end();
}

bool ServesReferenceHardware(const PackageIndex& index, std::size_t candidate, const RunningBinding& device,
                             const HardwareIdMarks& reference) {
    bool listsMatchingId = false;
    bool listsReferenceId = false;
    for (const std::wstring& id : device.HardwareIds) {
        listsMatchingId = listsMatchingId || id == device.MatchingId;
        std::uint32_t number = 0;
        listsReferenceId =
            listsReferenceId || (FindFamilyHardwareId(index, candidate, id, number) && reference.Holds(number));
        if (listsMatchingId && listsReferenceId) return true;
    }
    return false;
}

}  // namespace

RunningBindings CollectRunningBindings(const std::vector<DeviceBinding>& bindings) {
    RunningBindings devices;
    for (const DeviceBinding& binding : bindings) {
        if (!binding.Running || binding.InstanceId.empty()) continue;
        RunningBinding device;
        device.Binding = &binding;
        LowerHardwareId(binding.MatchingDeviceId, device.MatchingId);
        device.HardwareIds.resize(binding.HardwareIds.size());
        for (std::size_t k = 0; k < binding.HardwareIds.size(); ++k)
            LowerHardwareId(binding.HardwareIds[k], device.HardwareIds[k]);
        std::wstring inf;
        LowerHardwareId(binding.InfName, inf);
        devices[inf].push_back(std::move(device));
    }
    return devices;
}

const DeviceBinding* FindRunningEvidence(const PackageIndex& index, const RunningBindings& devices,
                                         std::size_t candidate, const HardwareIdMarks& reference) {
    const HardwareIdNumbers& candidateIds = index.Packages[candidate].HardwareIds;
    if (reference.Empty() || candidateIds.empty()) return nullptr;
    const auto users = devices.find(index.Packages[candidate].NameKey);
    if (users == devices.end()) return nullptr;
    for (const RunningBinding& device : users->second) {
        std::uint32_t matching = 0;
        if (device.MatchingId.empty() || !FindFamilyHardwareId(index, candidate, device.MatchingId, matching) ||
            !Lists(candidateIds, matching))
            continue;
        if (ServesReferenceHardware(index, candidate, device, reference)) return device.Binding;
    }
    return nullptr;
}
