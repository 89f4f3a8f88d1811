#pragma once
// Package records and device bindings as the old-version checks see them, built
// in a line each.
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/current_bindings.h"
#include "platform/driver_package.h"

namespace oldversions {

inline constexpr wchar_t kDisplayClass[] = L"{4d36e968-e325-11ce-bfc1-08002be10318}";

// A complete third-party package of the Display class from "Quelltide".
inline DriverPackage Package(const std::wstring& published, const std::wstring& inf, const std::wstring& version,
                             const std::wstring& date, std::vector<std::wstring> ids) {
    DriverPackage package;
    package.PublishedName = published;
    package.OriginalInfName = inf;
    package.ClassName = L"Display";
    package.ClassGuid = kDisplayClass;
    package.Provider = L"Quelltide";
    package.Version = version;
    package.Date = date;
    package.HardwareIds = std::move(ids);
    package.HardwareIdsComplete = true;
    package.HasModelsSection = true;
    return package;
}

// IDs number `first` to `first + count - 1` of one invented vendor.
inline std::vector<std::wstring> Ids(int first, int count) {
    std::vector<std::wstring> ids;
    for (int n = first; n < first + count; ++n) {
        wchar_t id[40];
        std::swprintf(id, 40, L"PCI\\VEN_1F3A&DEV_%04X", n);
        ids.emplace_back(id);
    }
    return ids;
}

inline std::wstring Id(int n) { return Ids(n, 1).front(); }

// A running device of `inf`, matched by `matching`, reporting `ids`.
inline DeviceBinding Running(const std::wstring& inf, const std::wstring& instance, const std::wstring& matching,
                             std::vector<std::wstring> ids) {
    return {inf, instance, matching, std::move(ids), true};
}

}  // namespace oldversions
