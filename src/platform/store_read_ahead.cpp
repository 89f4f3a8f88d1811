#include "platform/store_read_ahead.h"

#include <windows.h>

#include <filesystem>
#include <string_view>
#include <utility>

#include "core/unique_handle.h"
#include "platform/driver_store_locator.h"
#include "platform/package_size.h"
#include "platform/path_rules.h"

namespace {

bool IsPlainEntry(const WIN32_FIND_DATAW& entry) {
    const std::wstring_view name = entry.cFileName;
    return name != L"." && name != L".." && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

void StoreReadAhead::ReadUntil(const std::wstring& root, const OfflineWindowsVersion* platform,
                               const std::atomic<bool>& enough) {
    const std::wstring repository = NormalizePath(std::filesystem::path(root) / kFileRepository);
    if (repository.empty()) return;
    WIN32_FIND_DATAW entry{};
    const FindHandle find(::FindFirstFileExW((repository + L"\\*").c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    bool more = static_cast<bool>(find);
    for (; more && !enough; more = ::FindNextFileW(find.get(), &entry) != FALSE) {
        if (IsPlainEntry(entry) && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ReadFolder(repository + L"\\" + entry.cFileName, platform);
    }
}

void StoreReadAhead::ReadFolder(const std::wstring& folder, const OfflineWindowsVersion* platform) {
    const std::uint64_t size = FolderSize(folder);
    {
        const std::lock_guard lock(mutex_);
        sizes_.emplace(folder, size);
    }
    WIN32_FIND_DATAW entry{};
    const FindHandle find(::FindFirstFileExW((folder + L"\\*.inf").c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr, 0));
    if (!find) return;
    do {
        if (!IsPlainEntry(entry) || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        std::wstring path = folder + L"\\" + entry.cFileName;
        const InfFile inf(::SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
        if (!inf) continue;
        ReadAheadInf read{ReadInfVersionFields(inf.get()), ReadInfModelIds(inf.get(), platform)};
        const std::lock_guard lock(mutex_);
        infs_.emplace(std::move(path), std::move(read));
    } while (::FindNextFileW(find.get(), &entry));
}

std::uint64_t StoreReadAhead::SizeOf(const std::wstring& folder) {
    const std::wstring key = NormalizePath(folder);
    {
        const std::lock_guard lock(mutex_);
        if (const auto found = sizes_.find(key); found != sizes_.end()) return found->second;
    }
    return FolderSize(folder);
}

bool StoreReadAhead::TakeInf(const std::wstring& path, ReadAheadInf& read) {
    const std::wstring key = NormalizePath(path);
    const std::lock_guard lock(mutex_);
    const auto found = infs_.find(key);
    if (found == infs_.end()) return false;
    read = std::move(found->second);
    infs_.erase(found);
    return true;
}
