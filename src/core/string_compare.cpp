#include "core/string_compare.h"

#include <windows.h>

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    if (a.empty()) return true;
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring LowerCaseInvariant(const std::wstring& text) {
    if (text.empty()) return text;
    // Simple case mapping never changes the length.
    std::wstring lower(text.size(), L'\0');
    const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, text.c_str(),
                                       static_cast<int>(text.size()), lower.data(), static_cast<int>(lower.size()),
                                       nullptr, nullptr, 0);
    return length == static_cast<int>(text.size()) ? lower : text;
}

bool IgnoreCaseLess::operator()(const std::wstring& a, const std::wstring& b) const {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_LESS_THAN;
}
