#pragma once
// Packages for which Windows kept the device's current driver: the installer
// failed with ERROR_NO_MORE_ITEMS, yet may have staged the package. A look at
// the refreshed installed list tells which of them the Driver Store holds.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/operation_callbacks.h"
#include "platform/driver_package.h"

struct KeptItem {
    const DriverPackage* Package = nullptr;  // the source package
    std::wstring Error;                      // the installer's error text
    // Absent until looked up; empty when no installed package matches;
    // else the installed package's display name.
    std::optional<std::wstring> StoreLabel;
};

struct KeptTally {
    std::uint32_t Kept = 0;        // found in the Driver Store
    std::uint32_t Unverified = 0;  // never looked up
};

// Looks every kept package up in a freshly read installed list; throws
// OperationCancelled before an item when cancellation is requested, leaving
// the rest unverified.
void LabelKeptItems(std::vector<KeptItem>& kept, const std::vector<DriverPackage>& installed,
                    const std::wstring& targetRoot, const OperationCallbacks& callbacks);

// Counts a found package as installed and a missing one as an error, and logs
// each; `installed` and `errors` grow accordingly.
KeptTally ResolveKeptItems(const std::vector<KeptItem>& kept, std::uint32_t& installed, std::uint32_t& errors,
                           const OperationCallbacks& callbacks);
