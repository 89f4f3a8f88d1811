#include "platform/package_size.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <system_error>

#include "platform/driver_store_locator.h"
#include "platform/path_rules.h"

namespace fs = std::filesystem;

namespace {

constexpr TextId kCalculatingSizesText = 176;

void AddWithoutOverflow(std::uint64_t& total, std::uint64_t size) {
    if (size <= std::numeric_limits<std::uint64_t>::max() - total) total += size;
}

}  // namespace

std::wstring SizeCacheKey(const std::wstring& folder) {
    std::wstring key = NormalizePath(folder) + L"|";
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data)) {
        const auto time = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime)
                                                     << 32) |
                                                    data.ftLastWriteTime.dwLowDateTime);
        key += std::to_wstring(time);
    }
    return key;
}

std::uint64_t FolderSize(const fs::path& folder) {
    std::uint64_t total = 0;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        if (!it->is_regular_file(entryError)) continue;
        const std::uintmax_t size = it->file_size(entryError);
        if (!entryError) AddWithoutOverflow(total, size);
    }
    return total;
}

void ComputePackageSizes(std::vector<DriverPackage>& packages, const std::wstring& root, PackageSizeCache& cache,
                         LangId language, const OperationCallbacks& callbacks) {
    DriverStoreLocator locator(root);
    const std::size_t count = packages.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (callbacks.Cancelled && callbacks.Cancelled()) throw OperationCancelled{};
        DriverPackage& package = packages[i];
        const std::wstring folder = locator.Locate(package);
        if (folder.empty()) continue;
        const std::wstring key = SizeCacheKey(folder);
        auto cached = cache.find(key);
        if (cached == cache.end()) cached = cache.emplace(key, FolderSize(folder)).first;
        package.SizeBytes = cached->second;
        if (callbacks.Progress)
            callbacks.Progress(GetText(language, kCalculatingSizesText),
                               static_cast<int>(60 + i * 40 / std::max<std::size_t>(count, 1)));
    }
}
