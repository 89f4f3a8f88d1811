#pragma once
// Removing a third-party package from the Driver Store of the running Windows,
// or of an offline one through its DISM image session.
#include <string>

#include "platform/dism_session.h"
#include "platform/driver_package.h"

// SetupUninstallOEMInfW with the file-name part of PublishedName, forced or not.
// Unforced, Windows refuses a package that a device still uses.
[[nodiscard]] bool UninstallOemPackage(const DriverPackage& package, bool forced, std::wstring& error);

// DismRemoveDriver in an open session on an offline image; DISM knows only forced removal.
[[nodiscard]] bool RemoveOfflinePackage(DismSession& dism, dism::Session session, const DriverPackage& package,
                                        std::wstring& error);
