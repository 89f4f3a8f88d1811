#include "analysis/device_property.h"

#include <cfgmgr32.h>
#include <initguid.h>

#include <devpkey.h>

#include <cstring>

namespace {

constexpr DWORD kMaxPropertyBytes = 0x100000;
// The value may grow between asking for its size and reading it.
constexpr int kReadAttempts = 3;

DWORD LastErrorOrInvalidData() {
    const DWORD code = ::GetLastError();
    return code == ERROR_SUCCESS ? ERROR_INVALID_DATA : code;
}

// The raw bytes of a property of the expected type, read in two calls.
DWORD ReadPropertyBytes(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key, DEVPROPTYPE expectedType,
                        std::vector<BYTE>& bytes) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
        DWORD size = 0;
        // Success without a buffer means an empty value, which no caller can use.
        if (::SetupDiGetDevicePropertyW(devices, &device, &key, &type, nullptr, 0, &size, 0)) return ERROR_INVALID_DATA;
        DWORD code = LastErrorOrInvalidData();
        if (code != ERROR_INSUFFICIENT_BUFFER) return code;
        if (!IsAcceptedPropertySize(size)) return ERROR_INVALID_DATA;
        bytes.assign(size, 0);
        DWORD returned = 0;
        if (!::SetupDiGetDevicePropertyW(devices, &device, &key, &type, bytes.data(), size, &returned, 0)) {
            code = LastErrorOrInvalidData();
            if (code == ERROR_INSUFFICIENT_BUFFER) continue;
            return code;
        }
        if (type != expectedType || returned > size) return ERROR_INVALID_DATA;
        bytes.resize(returned);
        return ERROR_SUCCESS;
    }
    return ERROR_INSUFFICIENT_BUFFER;
}

// A fixed-size property read in one call; any other type or size is not believed.
bool ReadFixedProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key, DEVPROPTYPE expectedType,
                       void* value, DWORD size) {
    DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
    DWORD returned = 0;
    return ::SetupDiGetDevicePropertyW(devices, &device, &key, &type, static_cast<BYTE*>(value), size, &returned, 0) &&
           type == expectedType && returned == size;
}

}  // namespace

bool IsAcceptedPropertySize(DWORD bytes) noexcept {
    return bytes >= sizeof(wchar_t) && bytes <= kMaxPropertyBytes && bytes % sizeof(wchar_t) == 0;
}

std::optional<std::vector<std::wstring>> DecodePropertyStrings(const BYTE* data, std::size_t bytes, bool list) {
    if (bytes == 0 || bytes % sizeof(wchar_t) != 0) return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data, bytes);
    const std::size_t terminators = list ? 2 : 1;
    if (text.size() < terminators || text.find_first_not_of(L'\0', text.size() - terminators) != std::wstring::npos) {
        return std::nullopt;
    }
    std::vector<std::wstring> values;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L'\0', start);
        if (end == std::wstring::npos) return std::nullopt;  // an element running past the buffer
        if (end == start) break;
        values.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (values.empty() || (!list && values.size() != 1)) return std::nullopt;
    return values;
}

DriverInfPathRead ReadDriverInfPath(HDEVINFO devices, SP_DEVINFO_DATA& device, std::wstring& path, DWORD& code) {
    path.clear();
    std::vector<BYTE> bytes;
    code = ReadPropertyBytes(devices, device, DEVPKEY_Device_DriverInfPath, DEVPROP_TYPE_STRING, bytes);
    if (code == ERROR_NOT_FOUND) {
        code = ERROR_SUCCESS;
        return DriverInfPathRead::Absent;
    }
    if (code != ERROR_SUCCESS) return DriverInfPathRead::Failed;
    path.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    path.resize(std::wcslen(path.c_str()));
    return path.empty() ? DriverInfPathRead::Absent : DriverInfPathRead::Found;
}

DWORD ReadDeviceStrings(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key, bool list,
                        std::vector<std::wstring>& values) {
    std::vector<BYTE> bytes;
    const DWORD code =
        ReadPropertyBytes(devices, device, key, list ? DEVPROP_TYPE_STRING_LIST : DEVPROP_TYPE_STRING, bytes);
    if (code != ERROR_SUCCESS) return code;
    std::optional<std::vector<std::wstring>> decoded = DecodePropertyStrings(bytes.data(), bytes.size(), list);
    if (!decoded) return ERROR_INVALID_DATA;
    values = std::move(*decoded);
    return ERROR_SUCCESS;
}

std::optional<bool> ReadDeviceBoolean(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key) {
    DEVPROP_BOOLEAN value = DEVPROP_FALSE;
    if (!ReadFixedProperty(devices, device, key, DEVPROP_TYPE_BOOLEAN, &value, sizeof(value))) return std::nullopt;
    return value != DEVPROP_FALSE;
}

std::optional<ULONG> ReadDeviceUint32(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key) {
    ULONG value = 0;
    if (!ReadFixedProperty(devices, device, key, DEVPROP_TYPE_UINT32, &value, sizeof(value))) return std::nullopt;
    return value;
}

std::optional<std::wstring> ReadDeviceInstanceId(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    std::vector<std::wstring> values;
    const DWORD code = ReadDeviceStrings(devices, device, DEVPKEY_Device_InstanceId, false, values);
    if (code == ERROR_SUCCESS) return values.front();
    if (code != ERROR_NOT_FOUND) return std::nullopt;
    wchar_t buffer[MAX_DEVICE_ID_LEN + 1] = {};
    if (!::SetupDiGetDeviceInstanceIdW(devices, &device, buffer, MAX_DEVICE_ID_LEN + 1, nullptr) ||
        buffer[0] == L'\0') {
        return std::nullopt;
    }
    return std::wstring(buffer);
}
