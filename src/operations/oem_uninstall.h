#pragma once
// Removing a third-party package from the Driver Store of the running Windows.
#include <string>

#include "platform/driver_package.h"

// SetupUninstallOEMInfW with the file-name part of PublishedName, forced or not.
// Unforced, Windows refuses a package that a device still uses.
[[nodiscard]] bool UninstallOemPackage(const DriverPackage& package, bool forced, std::wstring& error);
