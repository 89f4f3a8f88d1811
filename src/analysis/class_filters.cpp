#include "analysis/class_filters.h"

#include <setupapi.h>

#include <cstddef>

#include "core/unique_handle.h"

namespace {

constexpr DWORD kValueBufferBytes = 8192;

// The non-empty strings of a REG_MULTI_SZ value, in order; a last string
// without its terminator still counts.
std::vector<std::wstring> SplitMultiString(const wchar_t* data, std::size_t bytes) {
    std::vector<std::wstring> strings;
    const std::size_t length = bytes / sizeof(wchar_t);
    std::size_t start = 0;
    while (start < length) {
        std::size_t end = start;
        while (end < length && data[end] != L'\0') ++end;
        if (end > start) strings.emplace_back(data + start, end - start);
        start = end + 1;
    }
    return strings;
}

void AppendMultiStringValue(HKEY key, const wchar_t* name, std::vector<std::wstring>& filters) {
    std::vector<wchar_t> buffer(kValueBufferBytes / sizeof(wchar_t), L'\0');
    // One character short of the buffer: room for a terminator the value lacks.
    DWORD bytes = kValueBufferBytes - sizeof(wchar_t);
    if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_MULTI_SZ, nullptr, buffer.data(), &bytes) != ERROR_SUCCESS) {
        return;
    }
    for (std::wstring& filter : SplitMultiString(buffer.data(), bytes)) filters.push_back(std::move(filter));
}

}  // namespace

std::vector<std::wstring> ReadClassFilters(const GUID& classGuid) {
    std::vector<std::wstring> filters;
    const HKEY opened = ::SetupDiOpenClassRegKeyExW(&classGuid, KEY_QUERY_VALUE, DIOCR_INSTALLER, nullptr, nullptr);
    // Failure comes as INVALID_HANDLE_VALUE, which no key owner may close.
    if (opened == INVALID_HANDLE_VALUE || opened == nullptr) return filters;
    const RegKey key(opened);
    AppendMultiStringValue(key.get(), L"UpperFilters", filters);
    AppendMultiStringValue(key.get(), L"LowerFilters", filters);
    return filters;
}
