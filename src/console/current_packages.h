#pragma once
// The third-party packages of the running Windows, as the console commands see them.
#include <string>
#include <vector>

#include "console/console_state.h"
#include "platform/driver_package.h"

// DISM's list of the online image, each record completed from its INF with its
// size measured, only oemN.inf packages kept in DISM's order. Sets the state's
// TargetRoot (C:\ for C:\Windows) first.
[[nodiscard]] bool LoadCurrentPackages(ConsoleState& state, std::vector<DriverPackage>& packages,
                                       std::wstring& error);
// How a console command begins: says that it reads, then reads; a failure is
// logged and written as an error line.
[[nodiscard]] bool ReadPackagesForConsole(ConsoleState& state, std::vector<DriverPackage>& packages);
