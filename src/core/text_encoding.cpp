#include "core/text_encoding.h"

#include <windows.h>

#include <limits>

namespace {

// The converters count in int; a longer input would be cut silently by the cast.
bool FitsConverter(std::size_t length) { return length <= static_cast<std::size_t>(std::numeric_limits<int>::max()); }

}  // namespace

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty() || !FitsConverter(text.size())) return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty() || !FitsConverter(text.size())) return {};
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string narrow(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                          nullptr);
    return narrow;
}
