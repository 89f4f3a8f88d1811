#pragma once
// SYSTEM hive content for binding tests, written two ways: as the regf file of an
// offline root, and as keys of the platform's own registry.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/offline_hive.h"

namespace test {

struct HiveEntry {
    std::wstring Path;      // below the hive root
    std::wstring Name;      // value name; ignored for a bare key
    DWORD Type = REG_NONE;  // kBareKey: the key alone
    std::vector<std::uint8_t> Data;
};

inline constexpr DWORD kBareKey = 0xFFFFFFFF;

HiveEntry BareKey(const std::wstring& path);
HiveEntry StringValue(const std::wstring& path, const std::wstring& name, const std::wstring& text,
                      DWORD type = REG_SZ);
HiveEntry DwordValue(const std::wstring& path, const std::wstring& name, DWORD value);

// A SYSTEM hive with Select\Current and Control\Class of that control set.
std::vector<HiveEntry> SystemHive(DWORD current, const std::vector<HiveEntry>& classEntries);

// root\Windows\System32\Config\SYSTEM; with `closedCleanly` false its sequence
// numbers say that the last write did not finish.
void WriteOfflineSystemHive(const std::filesystem::path& root, const std::vector<HiveEntry>& entries,
                            bool closedCleanly = true);

// The entries under a fresh key of HKEY_CURRENT_USER, deleted again at the end.
class PlatformHive {
public:
    explicit PlatformHive(const std::vector<HiveEntry>& entries);
    PlatformHive(const PlatformHive&) = delete;
    PlatformHive& operator=(const PlatformHive&) = delete;
    ~PlatformHive();
    [[nodiscard]] OfflineKey Open() const;

private:
    std::wstring name_;
};

}  // namespace test
