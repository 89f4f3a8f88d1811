#include "platform/installed_match.h"

#include <windows.h>

#include <array>
#include <cstring>

#include "core/string_compare.h"
#include "core/unique_handle.h"
#include "platform/driver_store_locator.h"
#include "platform/package_text.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kCompareBlockSize = 8192;

FileHandle OpenForReading(const fs::path& path) {
    return FileHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Fills the block as far as the file allows; false on a read error.
bool ReadBlock(HANDLE file, std::array<char, kCompareBlockSize>& block, DWORD& length) {
    length = 0;
    while (length < block.size()) {
        DWORD read = 0;
        if (!::ReadFile(file, block.data() + length, static_cast<DWORD>(block.size()) - length, &read, nullptr))
            return false;
        if (read == 0) break;
        length += read;
    }
    return true;
}

}  // namespace

bool FilesHaveSameContent(const fs::path& first, const fs::path& second) {
    const FileHandle a = OpenForReading(first);
    const FileHandle b = OpenForReading(second);
    if (!a || !b) return false;
    std::array<char, kCompareBlockSize> blockA{};
    std::array<char, kCompareBlockSize> blockB{};
    for (;;) {
        DWORD lengthA = 0;
        DWORD lengthB = 0;
        if (!ReadBlock(a.get(), blockA, lengthA) || !ReadBlock(b.get(), blockB, lengthB)) return false;
        if (lengthA != lengthB || std::memcmp(blockA.data(), blockB.data(), lengthA) != 0) return false;
        if (lengthA == 0) return true;
    }
}

const DriverPackage* FindInstalledMatch(const std::vector<DriverPackage>& installed, const DriverPackage& source,
                                        const std::wstring& root) {
    if (source.InfPath.empty() || source.Version.empty()) return nullptr;
    const fs::path sourceFolder = fs::path(source.InfPath).parent_path();
    DriverStoreLocator locator(root);
    for (const DriverPackage& package : installed) {
        if (!EqualsIgnoreCase(package.OriginalInfName, source.OriginalInfName) ||
            CompareVersions(package.Version, source.Version) != 0)
            continue;
        const std::wstring folder = locator.Locate(package);
        if (folder.empty()) continue;
        std::wstring catalog = FileNamePart(package.CatalogFile);
        if (catalog.empty()) catalog = FileNamePart(source.CatalogFile);
        if (catalog.empty()) continue;
        if (FilesHaveSameContent(source.InfPath, fs::path(folder) / package.OriginalInfName) &&
            FilesHaveSameContent(sourceFolder / catalog, fs::path(folder) / catalog))
            return &package;
    }
    return nullptr;
}
