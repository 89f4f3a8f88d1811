#pragma once
// Keys of an offline installation's hive, read either through the platform's
// registry functions (a hive loaded with RegLoadAppKeyW or RegLoadKeyW) or through
// our own regf reader where the platform cannot load such files. Every walk over an
// offline hive goes through OfflineKey, so it is one code path for both; answers
// are the registry functions' error codes.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/unique_handle.h"

class RegfHive;

class OfflineKey {
public:
    OfflineKey() = default;
    // Reads an already opened platform key.
    explicit OfflineKey(RegKey key) noexcept : platform_(std::move(key)) {}
    OfflineKey(OfflineKey&&) noexcept = default;
    OfflineKey& operator=(OfflineKey&&) noexcept = default;

    [[nodiscard]] explicit operator bool() const noexcept { return platform_ || hive_; }

    // As RegOpenKeyExW with KEY_READ: components separated by "\", an empty path
    // opens this key again, a leading "\" is ERROR_BAD_PATHNAME.
    [[nodiscard]] LSTATUS OpenSubkey(std::wstring_view path, OfflineKey& subkey) const;
    // As RegEnumKeyExW: the name of the subkey at that index, ERROR_NO_MORE_ITEMS past the last.
    [[nodiscard]] LSTATUS EnumSubkey(DWORD index, std::wstring& name) const;
    // As RegGetValueW on this key: the same flags (RRF_RT_*, RRF_NOEXPAND,
    // RRF_ZEROONFAILURE), buffer rules and codes (ERROR_FILE_NOT_FOUND,
    // ERROR_UNSUPPORTED_TYPE, ERROR_MORE_DATA with the needed size, ...). Strings
    // come back terminated. "" names the default value.
    [[nodiscard]] LSTATUS GetValue(std::wstring_view name, DWORD flags, DWORD* type, void* data, DWORD* dataSize) const;
    // A REG_DWORD of exactly four bytes; another size is ERROR_INVALID_DATA.
    [[nodiscard]] LSTATUS GetDword(std::wstring_view name, DWORD& value) const;
    // A string of the types that flags allow (RRF_RT_REG_SZ, RRF_RT_REG_EXPAND_SZ with
    // RRF_NOEXPAND), at most maxBytes with its terminator, cut at the first NUL.
    [[nodiscard]] LSTATUS GetString(std::wstring_view name, DWORD flags, DWORD maxBytes, std::wstring& value) const;

private:
    friend class OfflineHive;
    OfflineKey(std::shared_ptr<const RegfHive> hive, std::uint32_t cell, std::uint32_t depth) noexcept;

    [[nodiscard]] LSTATUS GetRegfValue(std::wstring_view name, DWORD flags, DWORD* type, void* data,
                                       DWORD* dataSize) const;

    RegKey platform_;
    std::shared_ptr<const RegfHive> hive_;
    std::uint32_t cell_ = 0;
    std::uint32_t depth_ = 0;  // levels below the hive's root
    // Subkey cells, listed on the first enumeration as a handle's view would be.
    mutable std::vector<std::uint32_t> subkeys_;
    mutable bool subkeysListed_ = false;
};

enum class OfflineHiveBackend : std::uint8_t { None, AppKey, SystemKey, RegfReader };

// The step of a load that failed; its code is in HiveLoadFailure.
enum class HiveLoadStep : std::uint8_t {
    AppKey,         // RegLoadAppKeyW refused the file for another reason than its format
    Privileges,     // SeBackupPrivilege or SeRestorePrivilege could not be enabled
    SystemLoad,     // RegLoadKeyW refused the file for another reason than its format
    OpenSystemKey,  // the temporarily loaded key could not be opened
    ReadFile,       // the regf reader could not read the file
    Parse,          // the file is no hive the regf reader can use
};

struct HiveLoadFailure {
    HiveLoadStep Step = HiveLoadStep::AppKey;
    LSTATUS Code = ERROR_SUCCESS;        // of the failed step
    LSTATUS AppKeyCode = ERROR_SUCCESS;  // RegLoadAppKeyW's own answer, kept for later steps
};

// A hive file loaded read-only for the lifetime of this object.
class OfflineHive {
public:
    OfflineHive() = default;
    OfflineHive(const OfflineHive&) = delete;
    OfflineHive& operator=(const OfflineHive&) = delete;
    ~OfflineHive();

    // RegLoadAppKeyW first. When the platform refuses the regf format or hands back
    // a key that does not answer, the file is read by our regf reader. When the
    // application key is refused otherwise and allowSystemLoad is set, RegLoadKeyW
    // under HKEY_LOCAL_MACHINE with the backup and restore privileges follows.
    [[nodiscard]] bool Load(const std::wstring& path, bool allowSystemLoad, HiveLoadFailure& failure);

    [[nodiscard]] const OfflineKey& Root() const noexcept { return root_; }
    [[nodiscard]] OfflineHiveBackend Backend() const noexcept { return backend_; }
    // False when our regf reader holds a hive whose last write did not finish: its
    // recent changes are in the logs beside it. The platform replays those itself.
    [[nodiscard]] bool ClosedCleanly() const noexcept { return closedCleanly_; }

    // Closes the root and, for a hive loaded with RegLoadKeyW, unloads it; keys
    // opened below the root must be closed first. The code is RegUnLoadKeyW's.
    [[nodiscard]] LSTATUS Unload();

private:
    [[nodiscard]] bool LoadWithRegfReader(const std::wstring& path, HiveLoadFailure& failure);
    [[nodiscard]] bool LoadSystemKey(const std::wstring& path, HiveLoadFailure& failure);

    OfflineKey root_;
    OfflineHiveBackend backend_ = OfflineHiveBackend::None;
    bool closedCleanly_ = true;
    std::wstring systemKeyName_;  // the temporary name under HKEY_LOCAL_MACHINE while loaded
};
