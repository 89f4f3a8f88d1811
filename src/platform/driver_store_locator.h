#pragma once
// Finds a package's folder in a target's Driver Store
// (<root>\Windows\System32\DriverStore\FileRepository\<inf>_<arch>_<hash>).
// DISM names the INF as the image saw it, which for an offline image can be a
// path of another system, so every folder found by rebasing or scanning is
// confirmed by the DriverVer version and date of the INF inside it.
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/unique_handle.h"
#include "platform/driver_package.h"
#include "platform/inf_version_fields.h"

// Where a target's package folders lie, below its root.
inline constexpr wchar_t kFileRepository[] = L"Windows\\System32\\DriverStore\\FileRepository";

// The DriverVer version and date of the INF both equal the package's
// (compared as numbers). False when the package lacks either, or the INF cannot
// be read or lacks either.
bool InfMatchesPackage(const DriverPackage& package, const std::wstring& inf);

// Locates folders of one target. The FileRepository listing that the last rule
// scans is read once, on first need, and reused for every later package, so a
// whole inventory lists the store once rather than once per package.
class DriverStoreLocator {
public:
    explicit DriverStoreLocator(std::wstring root);

    // The folder, or empty when it cannot be found or two folders match.
    std::wstring Locate(const DriverPackage& package);

    // The INF at `inf` opened through SetupAPI, and its version fields. The
    // INF the last confirmation read is still open and is handed out again: the
    // caller usually reads the INF of the folder just located, and opening an
    // INF parses all of it. INVALID_HANDLE_VALUE when it cannot be opened; the
    // handle stays valid until the next call or the locator's end.
    [[nodiscard]] HINF OpenInf(const std::wstring& inf, InfVersionFields& fields);

    [[nodiscard]] const std::wstring& Root() const noexcept { return root_; }

private:
    bool IsRepositoryChild(const std::filesystem::path& folder) const;
    std::wstring ExistingFolderInsideRoot(const DriverPackage& package) const;
    std::wstring RebasedFolder(const DriverPackage& package, const std::wstring& infName);
    std::wstring ScanRepository(const DriverPackage& package, const std::wstring& infName);
    bool Confirms(const DriverPackage& package, const std::wstring& inf);
    void ListRepository();

    std::wstring root_;
    bool listed_ = false;
    bool listingFailed_ = false;
    // Lower-cased "<inf name>" prefixes (every text before a "_" of a folder
    // name) to the folders whose names continue with "_" after them.
    std::unordered_map<std::wstring, std::vector<std::wstring>> foldersByInfName_;
    std::wstring lastInf_;  // empty: nothing open
    InfFile lastFile_;
    InfVersionFields lastFields_;
};

// One package's folder under `root`; empty when the root is empty or nothing
// (or more than one folder) matches.
std::wstring LocateDriverStoreFolder(const DriverPackage& package, const std::wstring& root);
