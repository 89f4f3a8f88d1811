#include "analysis/package_usage.h"

#include "platform/package_text.h"

std::optional<PackageUsage> SummarizePackageUsage(const std::vector<DriverPackage>& packages,
                                                  const BindingSnapshot& snapshot) {
    if (!snapshot.Verified) return std::nullopt;
    InfNameSet runningInfs;
    for (const DeviceBinding& binding : snapshot.Bindings) {
        if (binding.Running) runningInfs.insert(binding.InfName);
    }
    InfNameSet associated;
    InfNameSet running;
    for (const DriverPackage& package : packages) {
        std::wstring name = FileNamePart(package.PublishedName);
        if (!snapshot.UsedInfs.contains(name)) continue;
        if (runningInfs.contains(name)) running.insert(name);
        associated.insert(std::move(name));
    }
    PackageUsage usage;
    usage.AssociatedCount = associated.size();
    if (!runningInfs.empty()) usage.RunningCount = running.size();
    return usage;
}
