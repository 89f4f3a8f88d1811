#pragma once
// "cleanup-preview" and "cleanup": the old versions of the target Windows'
// third-party packages that a newer, confirmed package replaces.
#include <functional>
#include <string>

#include "console/console_state.h"
#include "platform/driver_package.h"

// Removes one package; false with a complete error text.
using PackageRemover = std::function<bool(const DriverPackage& package, std::wstring& error)>;

// Lists the candidates and, with `remove`, removes each: from the running
// Windows without force (Windows keeps a package a device still uses), from an
// offline one through DISM, never while that Windows is hibernated. Exit code
// 0, or with removal errors 3 (something was removed) or 4 (nothing was); 4
// also when the packages or the device bindings cannot be read, and when a
// hibernated Windows refuses the removal.
int RunConsoleCleanup(ConsoleState& state, bool remove);
// The same with another way to remove each candidate.
int RunConsoleCleanup(ConsoleState& state, bool remove, const PackageRemover& removePackage);

// "  oem3.inf | a.inf | 1.0 | 2020-01-01 | 0.50 MB  ->  oem7.inf | a.inf | 2.0".
void PrintCandidateLine(const ConsoleState& state, const DriverPackage& candidate, const DriverPackage* replacement);
