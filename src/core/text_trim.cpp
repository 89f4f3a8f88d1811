#include "core/text_trim.h"

std::wstring TrimWhitespace(const std::wstring& text) {
    constexpr wchar_t kWhitespace[] = L" \t\r\n";
    const std::size_t first = text.find_first_not_of(kWhitespace);
    if (first == std::wstring::npos) return {};
    const std::size_t last = text.find_last_not_of(kWhitespace);
    return text.substr(first, last - first + 1);
}
