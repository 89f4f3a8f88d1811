#pragma once
// The inventory that "list" writes: every third-party package with what a
// script needs to know about it, independent of the output format.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/current_bindings.h"
#include "analysis/removal_reason.h"
#include "core/localized_text.h"
#include "platform/driver_package.h"

// Bumped whenever a field changes meaning or goes away; new fields do not bump it.
inline constexpr int kPackageListFormatVersion = 1;

struct ListedDevice {
    std::wstring InstanceId;  // empty only when Windows could not report it
    bool Running = false;
};

struct ListedPackage {
    DriverPackage Package;
    std::wstring StoreFolder;  // empty when it cannot be found
    std::vector<ListedDevice> Devices;
    RemovalReason Verdict = RemovalReason::InsufficientData;
    std::wstring VerdictText;      // in the interface language
    std::wstring ReplacementName;  // published name; empty without a replacement
};

struct PackageList {
    std::wstring TargetRoot;
    bool Online = true;
    std::wstring ReadTime;  // ISO 8601, UTC
    std::vector<ListedPackage> Packages;
};

// One entry per package, in list order, with the old-version verdicts the
// console's cleanup would reach (boot-critical packages stay protected).
// `storeFolders` holds each package's Driver Store folder as the reading found
// it; `bindings` every device with a driver, running or not (none offline).
PackageList BuildPackageList(std::vector<DriverPackage> packages, std::vector<std::wstring> storeFolders,
                             const InfNameSet& usedInfs, const std::vector<DeviceBinding>& bindings,
                             LangId language, const std::wstring& targetRoot, bool online);

// The verdict's stable name for scripts, e.g. "ConfirmedReplacement".
const wchar_t* VerdictCode(RemovalReason reason);

// The current time as "2026-03-04T05:06:07Z".
std::wstring CurrentUtcTime();
