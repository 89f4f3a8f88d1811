#include "platform/driver_store_locator.h"

#include <windows.h>

#include <filesystem>
#include <utility>

#include "core/string_compare.h"
#include "core/unique_handle.h"
#include "platform/package_text.h"
#include "platform/path_rules.h"

namespace fs = std::filesystem;

namespace {

bool IsDirectory(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool FieldsMatch(const DriverPackage& package, const InfVersionFields& fields) {
    return !fields.Version.empty() && !fields.Date.empty() && CompareVersions(fields.Version, package.Version) == 0 &&
           CompareVersions(fields.Date, package.Date) == 0;
}

}  // namespace

bool InfMatchesPackage(const DriverPackage& package, const std::wstring& inf) {
    if (package.Version.empty() || package.Date.empty()) return false;
    InfVersionFields fields;
    return ReadInfVersionFields(inf, fields) && FieldsMatch(package, fields);
}

DriverStoreLocator::DriverStoreLocator(std::wstring root) : root_(std::move(root)) {}

std::wstring DriverStoreLocator::Locate(const DriverPackage& package) {
    if (root_.empty()) return {};
    const std::wstring infName = package.OriginalInfName.empty() ? GetOriginalInfName(package) : package.OriginalInfName;
    if (std::wstring folder = ExistingFolderInsideRoot(package); !folder.empty()) return folder;
    if (infName.empty() || package.Version.empty() || package.Date.empty()) return {};
    if (std::wstring folder = RebasedFolder(package, infName); !folder.empty()) return folder;
    return ScanRepository(package, infName);
}

HINF DriverStoreLocator::OpenInf(const std::wstring& inf, InfVersionFields& fields) {
    if (lastInf_.empty() || lastInf_ != inf) {
        lastInf_.clear();
        lastFile_.reset(::SetupOpenInfFileW(inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
        if (!lastFile_) return INVALID_HANDLE_VALUE;
        lastFields_ = ReadInfVersionFields(lastFile_.get());
        lastInf_ = inf;
    }
    fields = lastFields_;
    return lastFile_.get();
}

bool DriverStoreLocator::Confirms(const DriverPackage& package, const std::wstring& inf) {
    InfVersionFields fields;
    return OpenInf(inf, fields) != INVALID_HANDLE_VALUE && FieldsMatch(package, fields);
}

// A package folder is a direct child of the target's FileRepository. DISM may
// name another file of the image (the published copy in Windows\INF, say), whose
// folder is no package: sizing or copying it would take foreign files.
bool DriverStoreLocator::IsRepositoryChild(const fs::path& folder) const {
    const std::wstring normalized = NormalizePath(folder);
    const std::wstring repository = NormalizePath(fs::path(root_) / kFileRepository);
    return !normalized.empty() && EqualsIgnoreCase(fs::path(normalized).parent_path().wstring(), repository);
}

// Rule 1: DISM's path already lies inside the target's store and exists.
std::wstring DriverStoreLocator::ExistingFolderInsideRoot(const DriverPackage& package) const {
    if (!IsPathInside(package.OriginalFileName, root_)) return {};
    const fs::path original(package.OriginalFileName);
    std::error_code ec;
    const fs::file_status status = fs::status(original, ec);
    fs::path folder;
    if (fs::is_regular_file(status)) folder = original.parent_path();
    if (fs::is_directory(status)) folder = original;
    return !folder.empty() && IsRepositoryChild(folder) ? folder.wstring() : std::wstring();
}

// Rule 2: DISM's path from its Windows folder on, moved under the target root.
std::wstring DriverStoreLocator::RebasedFolder(const DriverPackage& package, const std::wstring& infName) {
    const std::wstring normalized = fs::path(package.OriginalFileName).lexically_normal().wstring();
    if (normalized.size() < 9) return {};
    const std::size_t windows = LowerCaseInvariant(normalized).find(L"\\windows\\");
    if (windows == std::wstring::npos) return {};
    const fs::path joined = fs::path(root_) / normalized.substr(windows + 1);
    const fs::path candidate = IsDirectory(joined) ? joined / infName : joined;
    if (!IsRepositoryChild(candidate.parent_path()) || !Confirms(package, candidate.wstring())) return {};
    return candidate.parent_path().wstring();
}

// Rule 3: the one store folder named after the INF whose INF matches.
std::wstring DriverStoreLocator::ScanRepository(const DriverPackage& package, const std::wstring& infName) {
    ListRepository();
    if (listingFailed_) return {};
    const auto candidates = foldersByInfName_.find(LowerCaseInvariant(infName));
    if (candidates == foldersByInfName_.end()) return {};
    std::wstring found;
    for (const std::wstring& folder : candidates->second) {
        if (!Confirms(package, (fs::path(folder) / infName).wstring())) continue;
        // Two matching folders: nothing tells which one DISM meant.
        if (!found.empty()) return {};
        found = folder;
    }
    return found;
}

void DriverStoreLocator::ListRepository() {
    if (listed_) return;
    listed_ = true;
    const std::wstring repository = (fs::path(root_) / kFileRepository).wstring();
    WIN32_FIND_DATAW entry{};
    FindHandle find(::FindFirstFileExW((repository + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                       nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        listingFailed_ = true;
        return;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring lower = LowerCaseInvariant(name);
        const std::wstring folder = repository + L"\\" + name;
        for (std::size_t underscore = lower.find(L'_', 1); underscore != std::wstring::npos;
             underscore = lower.find(L'_', underscore + 1)) {
            foldersByInfName_[lower.substr(0, underscore)].push_back(folder);
        }
    } while (::FindNextFileW(find.get(), &entry));
    if (::GetLastError() != ERROR_NO_MORE_FILES) {
        listingFailed_ = true;
        foldersByInfName_.clear();
    }
}

std::wstring LocateDriverStoreFolder(const DriverPackage& package, const std::wstring& root) {
    return DriverStoreLocator(root).Locate(package);
}
