#pragma once
// The third-party driver packages of a target Windows: DISM's list, each record
// completed from its INF in the Driver Store, only oemN.inf packages kept.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/package_usage.h"
#include "core/localized_text.h"
#include "core/operation_callbacks.h"
#include "platform/driver_package.h"
#include "platform/offline_windows_version.h"

class DismSession;
class DriverStoreLocator;
class StoreReadAhead;

// Completes a DISM record from the INF in its Driver Store folder under `root`
// (C:\ for the running Windows): OriginalInfName always; when the folder and an
// INF of the same version are found (and, offline, lie inside the root), the
// extension ID, the hardware IDs for the target platform (`offline`, or the
// running one when null) and a missing class name or GUID. With `computeSize`
// also SizeBytes. Every failure is silent and leaves the DISM data as it was.
// Returns the Driver Store folder, empty when none was found.
std::wstring EnrichPackage(DriverPackage& package, const std::wstring& root, bool computeSize,
                           const OfflineWindowsVersion* offline);
// The same with a locator kept across the packages of one target; with
// `readAhead` (read for the same platform), what it holds is taken, not read again.
std::wstring EnrichPackage(DriverPackage& package, DriverStoreLocator& locator, bool computeSize,
                           const OfflineWindowsVersion* offline, StoreReadAhead* readAhead = nullptr);

// What the inventory job hands back; the caller owns it and reads it only
// after the job has returned.
struct InstalledInventory {
    std::vector<DriverPackage> Packages;  // in DISM's order
    std::optional<PackageUsage> Usage;    // absent when the bindings could not be verified
    std::wstring Error;                   // why no list was produced
    bool Done = false;                    // the job ran to its end
};

// The inventory job of a refresh. `root` is the target root (for the running
// Windows the root of its drive). Checks callbacks.Cancelled before each
// package and at the end (throws OperationCancelled) and reports text 95 with
// 0..59 percent. A DISM failure leaves Error set and Done clear. `finished`,
// when given, receives the list on the calling thread before Done is set.
void ReadInstalledPackages(DismSession& dism, bool isCurrent, const std::wstring& root, LangId language,
                           const OperationCallbacks& callbacks, InstalledInventory& result,
                           const std::function<void(const std::vector<DriverPackage>&)>& finished = {});
