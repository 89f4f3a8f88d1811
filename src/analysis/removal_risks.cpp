#include "analysis/removal_risks.h"

#include <windows.h>

#include <filesystem>

#include "analysis/boot_disk.h"
#include "analysis/minifilters.h"
#include "analysis/service_image.h"
#include "analysis/service_name_set.h"
#include "analysis/service_owner.h"
#include "analysis/storage_stack.h"

namespace {

constexpr UINT kWindowsDirectoryCharacters = MAX_PATH;

// The selected packages among the owners of the filter services.
InfNameSet FindFilterPackages(const std::wstring& windowsDirectory, const ServiceNameSet& filterServices,
                              const std::vector<DriverPackage>& packages, const InfNameSet& selectedNames) {
    InfNameSet owners;
    const std::wstring repository =
        (std::filesystem::path(windowsDirectory) / L"System32\\DriverStore\\FileRepository").wstring();
    AddServiceCache addServices;
    for (const std::wstring& service : filterServices) {
        const std::wstring image = ResolveServiceImage(windowsDirectory, service);
        std::wstring owner = FindServiceOwner(image, repository, service, packages, addServices);
        if (!owner.empty() && selectedNames.count(owner) != 0) owners.insert(std::move(owner));
    }
    return owners;
}

}  // namespace

RiskContext AnalyzeRemovalRisks(const std::vector<DriverPackage>& packages, const InfNameSet& selectedNames) {
    RiskContext context;
    if (selectedNames.empty()) return context;
    wchar_t buffer[kWindowsDirectoryCharacters] = {};
    const UINT length = ::GetWindowsDirectoryW(buffer, kWindowsDirectoryCharacters);
    if (length == 0 || length >= kWindowsDirectoryCharacters) return context;
    const std::wstring windowsDirectory(buffer, length);

    const DeviceInstanceIdSet bootDevices = FindBootDiskDevices(windowsDirectory, context.BootStackComplete);
    ServiceNameSet filterServices;
    CollectStackFacts(bootDevices, context.BootStorageInfs, filterServices);
    const ServiceNameSet minifilters = ReadAttachedMinifilters();
    filterServices.insert(minifilters.begin(), minifilters.end());
    context.FilterPackages = FindFilterPackages(windowsDirectory, filterServices, packages, selectedNames);
    return context;
}
