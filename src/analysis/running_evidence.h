#pragma once
// Proof that a package serves hardware: a running device that uses the package,
// was matched by one of the package's own hardware IDs (not by a compatible ID)
// and is hardware that a reference package supports.
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/current_bindings.h"
#include "analysis/hardware_id_coverage.h"
#include "analysis/package_index.h"

// A running device whose instance ID is known, its IDs lower-cased.
struct RunningBinding {
    const DeviceBinding* Binding = nullptr;
    std::wstring MatchingId;
    std::vector<std::wstring> HardwareIds;
};

// Running devices by the lower-cased name of the INF they use, each list in
// binding order.
using RunningBindings = std::unordered_map<std::wstring, std::vector<RunningBinding>>;

// `bindings` must outlive the result.
RunningBindings CollectRunningBindings(const std::vector<DeviceBinding>& bindings);

// The first binding, in binding order, that runs package `candidate` and lists one
// of the reference package's IDs held in `reference`; null when there is none or
// either package has no hardware IDs.
const DeviceBinding* FindRunningEvidence(const PackageIndex& index, const RunningBindings& devices,
                                         std::size_t candidate, const HardwareIdMarks& reference);
