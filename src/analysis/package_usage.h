#pragma once
// How many packages of a list devices use, for the inventory's summary.
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/binding_snapshot.h"
#include "platform/driver_package.h"

struct PackageUsage {
    std::uint64_t AssociatedCount = 0;          // packages whose INF some device uses
    std::optional<std::uint64_t> RunningCount;  // of those, used by a running device; absent when no device runs
};

// Absent when the snapshot is not verified. Packages are counted by the file-name
// part of their published name, each name once.
std::optional<PackageUsage> SummarizePackageUsage(const std::vector<DriverPackage>& packages,
                                                  const BindingSnapshot& snapshot);
