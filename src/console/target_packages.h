#pragma once
// The Windows a console command works on and its third-party packages.
#include <string>
#include <vector>

#include "analysis/binding_snapshot.h"
#include "console/console_state.h"
#include "platform/driver_package.h"

// Sets the state's target from "--target ROOT": the running Windows when `given`
// is empty or names the running Windows' own root, else the offline Windows
// under it. False, with the line to write on the error stream, when `given`
// holds no Windows installation.
[[nodiscard]] bool ChooseConsoleTarget(ConsoleState& state, const std::wstring& given, std::wstring& error);

// DISM's list of the target, each record completed from its INF with its size
// measured, only oemN.inf packages kept in DISM's order; `storeFolders`, when
// given, receives each one's Driver Store folder (empty when not found). For the
// running Windows sets the state's TargetRoot (C:\ for C:\Windows) first.
[[nodiscard]] bool LoadTargetPackages(ConsoleState& state, std::vector<DriverPackage>& packages,
                                      std::wstring& error, std::vector<std::wstring>* storeFolders = nullptr);
// How a console command begins: says that it reads, then reads; a failure is
// logged and written as an error line.
[[nodiscard]] bool ReadPackagesForConsole(ConsoleState& state, std::vector<DriverPackage>& packages);

// Which drivers the target's devices use: every device of the running Windows
// (each with a binding record when `includeAll`, else the running ones), or the
// driver keys of an offline Windows' SYSTEM hive.
BindingSnapshot ReadTargetBindings(const ConsoleState& state, bool includeAll);
