#include "sim_text.h"

namespace sim {

std::wstring ToLowerText(std::wstring_view text) {
    std::wstring lower(text);
    if (!lower.empty()) {
        ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, text.data(), static_cast<int>(text.size()),
                        lower.data(), static_cast<int>(lower.size()), nullptr, nullptr, 0);
    }
    return lower;
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                              nullptr);
    }
    return utf8;
}

std::wstring SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length != 0 ? std::wstring(buffer, length) : L"error " + std::to_wstring(code);
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return text;
}

DWORD Win32ErrorFrom(const std::error_code& ec) {
    if (ec.category() == std::system_category()) return static_cast<DWORD>(ec.value());
    switch (static_cast<std::errc>(ec.value())) {
        case std::errc::no_such_file_or_directory:
            return ERROR_PATH_NOT_FOUND;
        case std::errc::permission_denied:
        case std::errc::operation_not_permitted:
            return ERROR_ACCESS_DENIED;
        case std::errc::file_exists:
            return ERROR_ALREADY_EXISTS;
        case std::errc::device_or_resource_busy:
            return ERROR_SHARING_VIOLATION;
        case std::errc::no_space_on_device:
            return ERROR_DISK_FULL;
        case std::errc::directory_not_empty:
            return ERROR_DIR_NOT_EMPTY;
        case std::errc::filename_too_long:
            return ERROR_FILENAME_EXCED_RANGE;
        default:
            return ERROR_GEN_FAILURE;
    }
}

}  // namespace sim
