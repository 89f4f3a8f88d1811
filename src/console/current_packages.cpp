#include "console/current_packages.h"

#include <windows.h>

#include <filesystem>

#include "analysis/installed_inventory.h"
#include "console/console_output.h"
#include "platform/dism_api.h"
#include "platform/driver_store_locator.h"

namespace {

constexpr DWORD kLongPath = 32768;

// The drive (or share) root of the Windows folder; empty when it is unknown.
std::wstring CurrentWindowsRoot() {
    std::wstring folder(kLongPath, L'\0');
    const DWORD length = ::GetWindowsDirectoryW(folder.data(), kLongPath);
    if (length == 0 || length >= kLongPath) return {};
    folder.resize(length);
    const std::filesystem::path path(folder);
    return (path.root_name() / path.root_directory()).wstring();
}

}  // namespace

bool LoadCurrentPackages(ConsoleState& state, std::vector<DriverPackage>& packages, std::wstring& error) {
    packages.clear();
    state.TargetRoot = CurrentWindowsRoot();
    if (state.TargetRoot.empty()) {
        error = L"Не удалось определить корень текущей Windows.";
        return false;
    }
    {
        DismSessionScope session(state.Dism);
        if (!session.Open(dism::kOnlineImage, error)) return false;
        if (!ReadDismDriverPackages(state.Dism, session.Handle(), packages, error)) return false;
    }  // the session closes before the Driver Store is read

    DriverStoreLocator locator(state.TargetRoot);
    for (DriverPackage& package : packages) EnrichPackage(package, locator, true, nullptr);
    std::erase_if(packages, [](const DriverPackage& package) { return !IsOemPackage(package); });
    return true;
}

bool ReadPackagesForConsole(ConsoleState& state, std::vector<DriverPackage>& packages) {
    WriteConsoleLine(GetText(state.Language, 95));
    std::wstring error;
    if (LoadCurrentPackages(state, packages, error)) return true;
    LogConsoleEvent(state, error);
    WriteConsoleError(error);
    return false;
}
