#include "analysis/minifilters.h"

#include <windows.h>

#include <fltuser.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "core/system_function.h"
#include "core/unique_handle.h"

namespace {

constexpr std::size_t kNameOffset = offsetof(FILTER_FULL_INFORMATION, FilterNameBuffer);

using FilterFindFirstFunction = decltype(&::FilterFindFirst);
using FilterFindNextFunction = decltype(&::FilterFindNext);
using FilterFindCloseFunction = decltype(&::FilterFindClose);

// An open filter search, closed through the function the library exported.
class FilterSearch {
public:
    FilterSearch(HANDLE handle, FilterFindCloseFunction close) noexcept : handle_(handle), close_(close) {}
    FilterSearch(const FilterSearch&) = delete;
    FilterSearch& operator=(const FilterSearch&) = delete;
    ~FilterSearch() { close_(handle_); }
    [[nodiscard]] HANDLE get() const noexcept { return handle_; }

private:
    HANDLE handle_;
    FilterFindCloseFunction close_;
};

}  // namespace

std::optional<std::wstring> AttachedMinifilterName(const std::uint8_t* entry, std::size_t returned) {
    if (returned < kNameOffset || returned > kFilterEntryBufferBytes) return std::nullopt;
    ULONG instances = 0;
    USHORT nameBytes = 0;
    std::memcpy(&instances, entry + offsetof(FILTER_FULL_INFORMATION, NumberOfInstances), sizeof(instances));
    std::memcpy(&nameBytes, entry + offsetof(FILTER_FULL_INFORMATION, FilterNameLength), sizeof(nameBytes));
    if (instances == 0 || nameBytes == 0 || nameBytes % sizeof(wchar_t) != 0 || nameBytes > returned - kNameOffset) {
        return std::nullopt;
    }
    std::wstring name(nameBytes / sizeof(wchar_t), L'\0');
    std::memcpy(name.data(), entry + kNameOffset, nameBytes);
    return name;
}

ServiceNameSet ReadAttachedMinifilters() {
    ServiceNameSet filters;
    const Module library(::LoadLibraryExW(L"fltlib.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!library) return filters;
    const auto findFirst = LookUpFunction<FilterFindFirstFunction>(library.get(), "FilterFindFirst");
    const auto findNext = LookUpFunction<FilterFindNextFunction>(library.get(), "FilterFindNext");
    const auto findClose = LookUpFunction<FilterFindCloseFunction>(library.get(), "FilterFindClose");
    if (!findFirst || !findNext || !findClose) return filters;

    // ULONG elements keep the entry's fields aligned.
    std::vector<ULONG> buffer(kFilterEntryBufferBytes / sizeof(ULONG));
    const auto bytes = reinterpret_cast<std::uint8_t*>(buffer.data());
    DWORD returned = 0;
    HANDLE handle = INVALID_HANDLE_VALUE;
    HRESULT result = findFirst(FilterFullInformation, bytes, kFilterEntryBufferBytes, &returned, &handle);
    if (FAILED(result)) return filters;
    const FilterSearch search(handle, findClose);
    while (SUCCEEDED(result)) {
        if (std::optional<std::wstring> name = AttachedMinifilterName(bytes, returned))
            filters.insert(std::move(*name));
        returned = 0;
        result = findNext(search.get(), FilterFullInformation, bytes, kFilterEntryBufferBytes, &returned);
    }
    return filters;
}
