#include "analysis/service_owner.h"

#include <windows.h>

#include <setupapi.h>

#include <filesystem>
#include <system_error>

#include "analysis/identical_files.h"
#include "core/string_compare.h"
#include "core/unique_handle.h"
#include "platform/package_text.h"
#include "platform/path_rules.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kSectionNameCharacters = 256;
// Service names are at most 256 characters; a longer field names no service.
constexpr DWORD kServiceNameCharacters = 256 + 1;

bool SamePath(const fs::path& a, const fs::path& b) { return IsPathInside(a, b) && IsPathInside(b, a); }

// A file in `folder` or below with the image's name and content. Links are not
// followed: they could lead out of the package.
bool FolderHoldsCopy(const fs::path& folder, const fs::path& image) {
    const std::wstring name = image.filename().wstring();
    std::error_code error;
    fs::recursive_directory_iterator entry(folder, fs::directory_options::skip_permission_denied, error);
    for (const fs::recursive_directory_iterator end; !error && entry != end; entry.increment(error)) {
        if (fs::is_regular_file(entry->symlink_status(error)) &&
            EqualsIgnoreCase(entry->path().filename().wstring(), name) &&
            FilesIdentical(entry->path().wstring(), image.wstring())) {
            return true;
        }
    }
    return false;
}

const ServiceNameSet& AddServicesOf(const std::wstring& infPath, AddServiceCache& cache) {
    auto [entry, added] = cache.try_emplace(infPath);
    if (added) entry->second = ReadInfAddServices(infPath);
    return entry->second;
}

bool OwnsImage(const DriverPackage& package, const fs::path& folder, const fs::path& image, bool imageInRepository,
               const std::wstring& service, AddServiceCache& cache) {
    if (imageInRepository) return IsPathInside(image, folder);
    return AddServicesOf(package.OriginalFileName, cache).count(service) != 0 && FolderHoldsCopy(folder, image);
}

}  // namespace

std::wstring FindServiceOwner(const std::wstring& image, const std::wstring& repository, const std::wstring& service,
                              const std::vector<DriverPackage>& packages, AddServiceCache& addServiceCache) {
    if (image.empty()) return {};
    const bool imageInRepository = IsPathInside(image, repository);
    const DriverPackage* owner = nullptr;
    for (const DriverPackage& package : packages) {
        if (package.OriginalFileName.empty()) continue;
        const std::wstring folder = NormalizePath(fs::path(package.OriginalFileName).parent_path());
        if (folder.empty() || !IsPathInside(folder, repository) || SamePath(folder, repository)) continue;
        if (!OwnsImage(package, folder, image, imageInRepository, service, addServiceCache)) continue;
        // A service two packages could have installed is attributed to neither.
        if (owner) return {};
        owner = &package;
    }
    return owner ? FileNamePart(owner->PublishedName) : std::wstring();
}

ServiceNameSet ReadInfAddServices(const std::wstring& infPath) {
    ServiceNameSet services;
    const InfFile inf(::SetupOpenInfFileW(infPath.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    if (!inf) return services;
    wchar_t section[kSectionNameCharacters] = {};
    for (UINT index = 0; ::SetupEnumInfSectionsW(inf.get(), index, section, kSectionNameCharacters, nullptr); ++index) {
        INFCONTEXT line{};
        for (bool found = ::SetupFindFirstLineW(inf.get(), section, L"AddService", &line); found;
             found = ::SetupFindNextMatchLineW(&line, L"AddService", &line)) {
            wchar_t name[kServiceNameCharacters] = {};
            if (::SetupGetStringFieldW(&line, 1, name, kServiceNameCharacters, nullptr) && name[0] != L'\0') {
                services.insert(name);
            }
        }
    }
    return services;
}
