#include "analysis/installed_inventory.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "analysis/binding_snapshot.h"
#include "platform/dism_api.h"
#include "platform/dism_session.h"
#include "platform/driver_store_locator.h"
#include "platform/inf_reader.h"
#include "platform/inf_version_fields.h"
#include "platform/package_size.h"
#include "platform/package_text.h"
#include "platform/path_rules.h"
#include "platform/store_read_ahead.h"
#include "platform/windows_version.h"

namespace fs = std::filesystem;

namespace {

constexpr TextId kReadingDriversText = 95;

bool IsRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

void ThrowIfCancelled(const OperationCallbacks& callbacks) {
    if (callbacks.Cancelled && callbacks.Cancelled()) throw OperationCancelled{};
}

}  // namespace

std::wstring EnrichPackage(DriverPackage& package, DriverStoreLocator& locator, bool computeSize,
                           const OfflineWindowsVersion* offline, StoreReadAhead* readAhead) {
    package.OriginalInfName = GetOriginalInfName(package);
    const std::wstring folder = locator.Locate(package);
    if (folder.empty()) return folder;
    if (computeSize) package.SizeBytes = readAhead ? readAhead->SizeOf(folder) : FolderSize(folder);
    const std::wstring inf = (fs::path(folder) / package.OriginalInfName).wstring();
    if (!IsRegularFile(inf)) return folder;
    InfVersionFields fields;
    std::optional<InfModelIds> models;
    HINF opened = INVALID_HANDLE_VALUE;
    if (ReadAheadInf ahead; readAhead && readAhead->TakeInf(inf, ahead)) {
        fields = std::move(ahead.Fields);
        models = std::move(ahead.Models);
    } else {
        opened = locator.OpenInf(inf, fields);
        if (opened == INVALID_HANDLE_VALUE) return folder;
    }
    if (fields.Version.empty() || CompareVersions(fields.Version, package.Version) != 0) return folder;
    if (offline && !IsPathInside(folder, locator.Root())) return folder;

    if (!models) models = ReadInfModelIds(opened, offline);
    package.ExtensionId = fields.ExtensionId;
    package.HardwareIds = std::move(models->Ids);
    package.HardwareIdsComplete = models->Complete;
    package.HasModelsSection = models->HasModels;
    if (package.ClassGuid.empty()) package.ClassGuid = fields.ClassGuid;
    if (package.ClassName.empty()) package.ClassName = fields.ClassName;
    return folder;
}

std::wstring EnrichPackage(DriverPackage& package, const std::wstring& root, bool computeSize,
                           const OfflineWindowsVersion* offline) {
    DriverStoreLocator locator(root);
    return EnrichPackage(package, locator, computeSize, offline);
}

void ReadInstalledPackages(DismSession& dism, bool isCurrent, const std::wstring& root, LangId language,
                           const OperationCallbacks& callbacks, InstalledInventory& result,
                           const std::function<void(const std::vector<DriverPackage>&)>& finished) {
    {
        DismSessionScope session(dism);
        if (!session.Open(isCurrent ? std::wstring(dism::kOnlineImage) : root, result.Error)) return;
        if (!ReadDismDriverPackages(dism, session.Handle(), result.Packages, result.Error)) return;
    }  // the session closes here, before the Driver Store is read

    std::optional<OfflineWindowsVersion> offline;
    if (!isCurrent) {
        std::wstring unread;
        offline = ReadOfflineWindowsVersion(root, unread);
        if (!unread.empty() && callbacks.LogLine) callbacks.LogLine(unread);
    }
    const OfflineWindowsVersion* platform = offline ? &*offline : nullptr;

    DriverStoreLocator locator(root);
    std::vector<DriverPackage>& packages = result.Packages;
    const std::size_t count = packages.size();
    for (std::size_t i = 0; i < count; ++i) {
        ThrowIfCancelled(callbacks);
        EnrichPackage(packages[i], locator, false, platform);
        if (callbacks.Progress)
            callbacks.Progress(GetText(language, kReadingDriversText),
                               static_cast<int>(i * 60 / std::max<std::size_t>(count, 1)));
    }
    packages.erase(std::remove_if(packages.begin(), packages.end(),
                                  [](const DriverPackage& package) { return !IsOemPackage(package); }),
                   packages.end());

    // Which packages devices use: none to ask about when nothing is left.
    result.Usage = packages.empty()
                       ? std::optional<PackageUsage>(PackageUsage{})
                       : SummarizePackageUsage(packages, ReadBindingSnapshot(TargetWindows{L"", root, isCurrent}, false));

    ThrowIfCancelled(callbacks);
    if (finished) finished(packages);
    result.Done = true;
}
