#include "platform/offline_hive.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <new>

#include "platform/regf_reader.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "registry names are UTF-16");

namespace {

// Hives are far smaller; a larger file is no hive we should hold in memory.
constexpr LONGLONG kMaxHiveFileBytes = 0x80000000;
constexpr DWORD kReadChunkBytes = 1u << 24;

LSTATUS ToRegistryCode(RegfStatus status) {
    switch (status) {
    case RegfStatus::Ok:
        return ERROR_SUCCESS;
    case RegfStatus::NotFound:
        return ERROR_FILE_NOT_FOUND;
    case RegfStatus::NoMoreItems:
        return ERROR_NO_MORE_ITEMS;
    case RegfStatus::Corrupt:
        break;
    }
    return ERROR_BADDB;
}

std::u16string ToUtf16(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

// The RRF_RT_* bit that admits a value type; types without one are never admitted.
DWORD TypeRestriction(DWORD type) {
    switch (type) {
    case REG_NONE:
        return RRF_RT_REG_NONE;
    case REG_SZ:
        return RRF_RT_REG_SZ;
    case REG_EXPAND_SZ:
        return RRF_RT_REG_EXPAND_SZ;
    case REG_BINARY:
        return RRF_RT_REG_BINARY;
    case REG_DWORD:
        return RRF_RT_REG_DWORD;
    case REG_MULTI_SZ:
        return RRF_RT_REG_MULTI_SZ;
    case REG_QWORD:
        return RRF_RT_REG_QWORD;
    default:
        return 0;
    }
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Stored strings may lack their terminator or end in half a character; callers get
// them terminated, a list with its closing empty string.
void TerminateString(std::vector<std::uint8_t>& bytes, DWORD type) {
    if (bytes.size() % 2 != 0) bytes.pop_back();
    const std::size_t terminators = type == REG_MULTI_SZ ? 2 : 1;
    auto endsTerminated = [&] {
        if (bytes.size() < terminators * 2) return false;
        return std::all_of(bytes.end() - static_cast<std::ptrdiff_t>(terminators * 2), bytes.end(),
                           [](std::uint8_t b) { return b == 0; });
    };
    while (!endsTerminated()) bytes.insert(bytes.end(), {0, 0});
}

// ExpandEnvironmentStringsW of a terminated UTF-16 string, as RegGetValueW expands REG_EXPAND_SZ.
std::vector<std::uint8_t> ExpandString(const std::vector<std::uint8_t>& bytes) {
    std::wstring source(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(source.data(), bytes.data(), source.size() * sizeof(wchar_t));
    std::wstring expanded;
    DWORD needed = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
    for (int attempt = 0; attempt < 3 && needed > expanded.size(); ++attempt) {
        expanded.assign(needed, L'\0');
        needed = ::ExpandEnvironmentStringsW(source.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
    }
    if (needed == 0 || needed > expanded.size()) return bytes;
    std::vector<std::uint8_t> result(needed * sizeof(wchar_t));
    std::memcpy(result.data(), expanded.data(), result.size());
    return result;
}

// The size a binary value must have when only DWORD or only QWORD data is asked for.
DWORD RequiredBinarySize(DWORD flags) {
    if ((flags & RRF_RT_ANY) == RRF_RT_DWORD) return sizeof(DWORD);
    if ((flags & RRF_RT_ANY) == RRF_RT_QWORD) return sizeof(ULONGLONG);
    return 0;
}

// Wine hands out a placeholder for application hives that fails every use.
bool KeyAnswers(HKEY key) {
    return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr) == ERROR_SUCCESS;
}

bool EnablePrivilege(const wchar_t* name, LSTATUS& code) {
    KernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
        code = static_cast<LSTATUS>(::GetLastError());
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) ||
        !::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr)) {
        code = static_cast<LSTATUS>(::GetLastError());
        return false;
    }
    // AdjustTokenPrivileges succeeds even when the token lacks the privilege.
    if (::GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
        code = ERROR_NOT_ALL_ASSIGNED;
        return false;
    }
    return true;
}

LSTATUS ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return static_cast<LSTATUS>(::GetLastError());
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return static_cast<LSTATUS>(::GetLastError());
    if (size.QuadPart > kMaxHiveFileBytes) return ERROR_FILE_TOO_LARGE;
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(kReadChunkBytes, bytes.size() - done));
        DWORD read = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) {
            return static_cast<LSTATUS>(::GetLastError());
        }
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return ERROR_SUCCESS;
}

}  // namespace

OfflineKey::OfflineKey(std::shared_ptr<const RegfHive> hive, std::uint32_t cell, std::uint32_t depth) noexcept
    : hive_(std::move(hive)), cell_(cell), depth_(depth) {}

LSTATUS OfflineKey::OpenSubkey(std::wstring_view path, OfflineKey& subkey) const {
    if (platform_) {
        RegKey opened;
        const LSTATUS status = ::RegOpenKeyExW(platform_.get(), std::wstring(path).c_str(), 0, KEY_READ, opened.put());
        if (status == ERROR_SUCCESS) subkey = OfflineKey(std::move(opened));
        return status;
    }
    if (!hive_) return ERROR_INVALID_HANDLE;
    if (!path.empty() && path.front() == L'\\') return ERROR_BAD_PATHNAME;
    std::uint32_t cell = cell_;
    std::uint32_t depth = depth_;
    while (!path.empty()) {
        const std::size_t separator = path.find(L'\\');
        const std::wstring_view part = path.substr(0, separator);
        path = separator == std::wstring_view::npos ? std::wstring_view() : path.substr(separator + 1);
        if (part.empty()) continue;
        // Deeper nesting than the registry allows only comes from damage.
        if (++depth > kRegfMaxKeyDepth) return ERROR_BADDB;
        if (const RegfStatus status = hive_->FindSubkey(cell, ToUtf16(part), cell); status != RegfStatus::Ok) {
            return ToRegistryCode(status);
        }
    }
    subkey = OfflineKey(hive_, cell, depth);
    return ERROR_SUCCESS;
}

LSTATUS OfflineKey::EnumSubkey(DWORD index, std::wstring& name) const {
    if (platform_) {
        wchar_t buffer[kRegfMaxKeyNameChars + 1];
        DWORD length = static_cast<DWORD>(std::size(buffer));
        const LSTATUS status =
            ::RegEnumKeyExW(platform_.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS) name.assign(buffer, length);
        return status;
    }
    if (!hive_) return ERROR_INVALID_HANDLE;
    if (!subkeysListed_) {
        if (const RegfStatus status = hive_->ListSubkeys(cell_, subkeys_); status != RegfStatus::Ok) {
            return ToRegistryCode(status);
        }
        subkeysListed_ = true;
    }
    if (index >= subkeys_.size()) return ERROR_NO_MORE_ITEMS;
    std::u16string stored;
    if (const RegfStatus status = hive_->KeyName(subkeys_[index], stored); status != RegfStatus::Ok) {
        return ToRegistryCode(status);
    }
    name.assign(stored.begin(), stored.end());
    return ERROR_SUCCESS;
}

LSTATUS OfflineKey::GetValue(std::wstring_view name, DWORD flags, DWORD* type, void* data, DWORD* dataSize) const {
    if (platform_)
        return ::RegGetValueW(platform_.get(), nullptr, std::wstring(name).c_str(), flags, type, data, dataSize);
    if (!hive_) return ERROR_INVALID_HANDLE;
    return GetRegfValue(name, flags, type, data, dataSize);
}

LSTATUS OfflineKey::GetRegfValue(std::wstring_view name, DWORD flags, DWORD* type, void* data, DWORD* dataSize) const {
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    // Expanding is the default; asking for unexpanded text needs RRF_NOEXPAND.
    if ((flags & RRF_RT_REG_EXPAND_SZ) && !(flags & RRF_NOEXPAND) && (flags & RRF_RT_ANY) != RRF_RT_ANY) {
        return ERROR_INVALID_PARAMETER;
    }
    const DWORD bufferSize = data ? *dataSize : 0;
    auto fail = [&](LSTATUS status) {
        if (data && (flags & RRF_ZEROONFAILURE)) std::memset(data, 0, bufferSize);
        return status;
    };

    RegfValue value;
    if (const RegfStatus status = hive_->FindValue(cell_, ToUtf16(name), value); status != RegfStatus::Ok) {
        return fail(ToRegistryCode(status));
    }
    DWORD valueType = value.Type;
    std::vector<std::uint8_t> bytes = std::move(value.Data);
    if (IsStringType(valueType)) TerminateString(bytes, valueType);
    if (valueType == REG_EXPAND_SZ && !(flags & RRF_NOEXPAND)) {
        bytes = ExpandString(bytes);
        valueType = REG_SZ;
    }
    const DWORD needed = static_cast<DWORD>(bytes.size());

    LSTATUS status = ERROR_SUCCESS;
    const DWORD requiredBinary = RequiredBinarySize(flags);
    if ((flags & TypeRestriction(valueType)) == 0) {
        status = ERROR_UNSUPPORTED_TYPE;
    } else if (valueType == REG_BINARY && requiredBinary != 0 && needed != requiredBinary) {
        status = ERROR_DATATYPE_MISMATCH;
    } else if (data && needed > bufferSize) {
        status = ERROR_MORE_DATA;
    } else if (data && needed != 0) {
        std::memcpy(data, bytes.data(), needed);
    }
    if (status != ERROR_SUCCESS) fail(status);
    if (type) *type = valueType;
    if (dataSize) *dataSize = needed;
    return status;
}

LSTATUS OfflineKey::GetDword(std::wstring_view name, DWORD& value) const {
    DWORD result = 0;
    DWORD size = sizeof(result);
    const LSTATUS status = GetValue(name, RRF_RT_REG_DWORD, nullptr, &result, &size);
    if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && size != sizeof(result))) return ERROR_INVALID_DATA;
    if (status == ERROR_SUCCESS) value = result;
    return status;
}

LSTATUS OfflineKey::GetString(std::wstring_view name, DWORD flags, DWORD maxBytes, std::wstring& value) const {
    // The value may grow between asking for its size and reading it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        LSTATUS status = GetValue(name, flags, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_UNSUPPORTED_TYPE;
        if (size > maxBytes) return ERROR_MORE_DATA;
        std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD received = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        status = GetValue(name, flags, &type, buffer.data(), &received);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return status;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_UNSUPPORTED_TYPE;
        buffer.resize(std::min<std::size_t>(buffer.size(), received / sizeof(wchar_t)));
        value.assign(buffer.c_str());
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

OfflineHive::~OfflineHive() {
    (void)Unload();
}

bool OfflineHive::Load(const std::wstring& path, bool allowSystemLoad, HiveLoadFailure& failure) {
    (void)Unload();
    failure = {};
    RegKey appKey;
    failure.AppKeyCode = ::RegLoadAppKeyW(path.c_str(), appKey.put(), KEY_READ, REG_PROCESS_APPKEY, 0);
    if (failure.AppKeyCode == ERROR_SUCCESS) {
        if (KeyAnswers(appKey.get())) {
            root_ = OfflineKey(std::move(appKey));
            backend_ = OfflineHiveBackend::AppKey;
            return true;
        }
        appKey.reset();
        return LoadWithRegfReader(path, failure);
    }
    if (failure.AppKeyCode == ERROR_NOT_REGISTRY_FILE) return LoadWithRegfReader(path, failure);
    if (!allowSystemLoad) {
        failure.Step = HiveLoadStep::AppKey;
        failure.Code = failure.AppKeyCode;
        return false;
    }
    return LoadSystemKey(path, failure);
}

bool OfflineHive::LoadSystemKey(const std::wstring& path, HiveLoadFailure& failure) {
    LSTATUS code = ERROR_SUCCESS;
    if (!EnablePrivilege(SE_BACKUP_NAME, code) || !EnablePrivilege(SE_RESTORE_NAME, code)) {
        failure.Step = HiveLoadStep::Privileges;
        failure.Code = code;
        return false;
    }
    // Unique per process and moment, so concurrent copies never collide.
    wchar_t name[96];
    std::swprintf(name, std::size(name), L"Quillbay_%lu_%llu", static_cast<unsigned long>(::GetCurrentProcessId()),
                  static_cast<unsigned long long>(::GetTickCount64()));
    code = ::RegLoadKeyW(HKEY_LOCAL_MACHINE, name, path.c_str());
    if (code == ERROR_NOT_REGISTRY_FILE) return LoadWithRegfReader(path, failure);
    if (code != ERROR_SUCCESS) {
        failure.Step = HiveLoadStep::SystemLoad;
        failure.Code = code;
        return false;
    }
    systemKeyName_ = name;
    RegKey key;
    code = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, key.put());
    if (code != ERROR_SUCCESS) {
        // The hive stays loaded until Unload, which reports whether unloading worked.
        failure.Step = HiveLoadStep::OpenSystemKey;
        failure.Code = code;
        return false;
    }
    root_ = OfflineKey(std::move(key));
    backend_ = OfflineHiveBackend::SystemKey;
    return true;
}

bool OfflineHive::LoadWithRegfReader(const std::wstring& path, HiveLoadFailure& failure) {
    std::vector<std::uint8_t> bytes;
    if (const LSTATUS code = ReadWholeFile(path, bytes); code != ERROR_SUCCESS) {
        failure.Step = HiveLoadStep::ReadFile;
        failure.Code = code;
        return false;
    }
    auto hive = std::make_shared<RegfHive>();
    const RegfLoadResult result = hive->Load(std::move(bytes));
    if (result != RegfLoadResult::Ok) {
        failure.Step = HiveLoadStep::Parse;
        failure.Code = result == RegfLoadResult::NotAHive ? ERROR_NOT_REGISTRY_FILE : ERROR_BADDB;
        return false;
    }
    const std::uint32_t root = hive->Root();
    closedCleanly_ = hive->ClosedCleanly();
    root_ = OfflineKey(std::move(hive), root, 0);
    backend_ = OfflineHiveBackend::RegfReader;
    return true;
}

LSTATUS OfflineHive::Unload() {
    root_ = OfflineKey();
    backend_ = OfflineHiveBackend::None;
    closedCleanly_ = true;
    if (systemKeyName_.empty()) return ERROR_SUCCESS;
    const LSTATUS status = ::RegUnLoadKeyW(HKEY_LOCAL_MACHINE, systemKeyName_.c_str());
    // On failure the name is kept, so a later call (or the destructor) tries again.
    if (status == ERROR_SUCCESS) systemKeyName_.clear();
    return status;
}
