#include "console/package_list.h"

#include <windows.h>

#include <cstdio>
#include <map>

#include "analysis/inf_name_set.h"
#include "analysis/old_version_detection.h"
#include "core/string_compare.h"
#include "platform/driver_package.h"

namespace {

bool HasReplacement(RemovalReason reason) {
    return reason == RemovalReason::PossibleReplacement || reason == RemovalReason::ConfirmedReplacement;
}

}  // namespace

const wchar_t* VerdictCode(RemovalReason reason) {
    switch (reason) {
    case RemovalReason::Protected: return L"Protected";
    case RemovalReason::AssociatedWithDevice: return L"AssociatedWithDevice";
    case RemovalReason::InsufficientData: return L"InsufficientData";
    case RemovalReason::TargetNotConfirmed: return L"TargetNotConfirmed";
    case RemovalReason::NoNewerVersion: return L"NoNewerVersion";
    case RemovalReason::PossibleReplacement: return L"PossibleReplacement";
    case RemovalReason::ConfirmedReplacement: return L"ConfirmedReplacement";
    case RemovalReason::NewerRemovalDisabled: return L"NewerRemovalDisabled";
    case RemovalReason::NewerRemovalUnconfirmed: return L"NewerRemovalUnconfirmed";
    }
    return L"Unknown";
}

std::wstring CurrentUtcTime() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02uZ", unsigned{now.wYear}, unsigned{now.wMonth},
                  unsigned{now.wDay}, unsigned{now.wHour}, unsigned{now.wMinute}, unsigned{now.wSecond});
    return text;
}

PackageList BuildPackageList(std::vector<DriverPackage> packages, std::vector<std::wstring> storeFolders,
                             const InfNameSet& usedInfs, const std::vector<DeviceBinding>& bindings,
                             LangId language, const std::wstring& targetRoot, bool online) {
    PackageList list;
    list.TargetRoot = targetRoot;
    list.Online = online;
    list.ReadTime = CurrentUtcTime();

    std::map<std::wstring, std::vector<ListedDevice>, InfNameLess> devicesByInf;
    for (const DeviceBinding& binding : bindings)
        devicesByInf[binding.InfName].push_back({binding.InstanceId, binding.Running});

    // As the console's cleanup decides: boot-critical packages are never its candidates.
    const std::vector<PackageVerdict> verdicts = FindOldVersions(packages, usedInfs, bindings, false, InfNameSet());
    list.Packages.resize(packages.size());
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const PackageVerdict& verdict = verdicts[i];
        ListedPackage& entry = list.Packages[i];
        // Found once while reading: locating again costs as much as the reading's own search.
        if (i < storeFolders.size()) entry.StoreFolder = std::move(storeFolders[i]);
        if (const auto devices = devicesByInf.find(packages[i].PublishedName); devices != devicesByInf.end())
            entry.Devices = devices->second;
        entry.Verdict = verdict.Reason;
        entry.VerdictText = DescribeReason(language, verdict, packages);
        if (HasReplacement(verdict.Reason) && verdict.Candidate.ReplacementIndex < packages.size())
            entry.ReplacementName = packages[verdict.Candidate.ReplacementIndex].PublishedName;
    }
    // The records move in last, as the verdict texts name other packages; a
    // large store has over a million hardware IDs that need no copy.
    for (std::size_t i = 0; i < packages.size(); ++i) {
        DriverPackage& package = list.Packages[i].Package = std::move(packages[i]);
        // Scripts see no provider as an empty one, never the interface's placeholder.
        if (EqualsIgnoreCase(package.Provider, kProviderNotSpecified)) package.Provider.clear();
    }
    return list;
}
