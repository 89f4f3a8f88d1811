#include "platform/package_size.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <string_view>
#include <vector>

#include "core/unique_handle.h"
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
    // The sizes come with the folder listing: no file is opened or queried on
    // its own, which is what made a large store slow. Links are not followed.
    std::uint64_t total = 0;
    std::vector<std::wstring> pending{folder.wstring()};
    while (!pending.empty()) {
        const std::wstring current = std::move(pending.back());
        pending.pop_back();
        WIN32_FIND_DATAW entry{};
        const FindHandle find(::FindFirstFileExW((current + L"\\*").c_str(), FindExInfoBasic, &entry,
                                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find) continue;
        do {
            const std::wstring_view name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                pending.push_back(current + L"\\" + entry.cFileName);
            } else {
                AddWithoutOverflow(total, (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
            }
        } while (::FindNextFileW(find.get(), &entry));
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
