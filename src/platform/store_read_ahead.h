#pragma once
// What reading a target's packages needs from its Driver Store folders, read
// ahead while DISM lists the packages: DISM takes seconds on a large store, and
// the folders can be measured and their INFs parsed meanwhile. Whatever is not
// read ahead is read when asked for, so the result is the same either way.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "core/string_compare.h"
#include "platform/inf_reader.h"
#include "platform/inf_version_fields.h"
#include "platform/offline_windows_version.h"

struct ReadAheadInf {
    InfVersionFields Fields;
    InfModelIds Models;
};

class StoreReadAhead {
public:
    // Reads the folders of the target's FileRepository in listing order (each
    // one's size, and the version fields and hardware IDs for `platform` of each
    // INF in it) until `enough` turns true.
    void ReadUntil(const std::wstring& root, const OfflineWindowsVersion* platform, const std::atomic<bool>& enough);

    // The bytes below `folder` as FolderSize counts them: read ahead, or measured now.
    [[nodiscard]] std::uint64_t SizeOf(const std::wstring& folder);

    // The reading of the INF at `path`, handed out once. False when it was not
    // read ahead (or could not be opened then): the caller reads it itself.
    [[nodiscard]] bool TakeInf(const std::wstring& path, ReadAheadInf& read);

private:
    void ReadFolder(const std::wstring& folder, const OfflineWindowsVersion* platform);

    std::mutex mutex_;
    // Both by normalised path.
    std::map<std::wstring, std::uint64_t, IgnoreCaseLess> sizes_;
    std::map<std::wstring, ReadAheadInf, IgnoreCaseLess> infs_;
};
