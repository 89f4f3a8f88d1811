#include "platform/file_names.h"

#include <objbase.h>

#include <cwchar>

namespace {

constexpr wchar_t kUntitled[] = L"Без имени";

}  // namespace

std::wstring SanitizeFileName(const std::wstring& name, std::size_t maxLength) {
    if (name.empty()) return kUntitled;
    std::wstring result = name;
    for (wchar_t& c : result) {
        if (c < L' ' || std::wcschr(L"<>:\"/\\|?*", c)) c = L'_';
    }
    // Windows drops trailing spaces and dots from names, so a name keeping them
    // would not be the name created; a cut can expose new ones.
    const auto trimTrailing = [&result] {
        while (!result.empty() && (result.back() == L' ' || result.back() == L'.')) result.pop_back();
    };
    trimTrailing();
    if (result.size() > maxLength) {
        result.resize(maxLength);
        trimTrailing();
    }
    return result.empty() ? std::wstring(kUntitled) : result;
}

std::wstring FormatTimestamp(const SYSTEMTIME& time) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02u_%02u-%02u-%02u", static_cast<unsigned>(time.wYear),
                  static_cast<unsigned>(time.wMonth), static_cast<unsigned>(time.wDay), static_cast<unsigned>(time.wHour),
                  static_cast<unsigned>(time.wMinute), static_cast<unsigned>(time.wSecond));
    return text;
}

std::wstring LocalTimestamp() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return FormatTimestamp(now);
}

std::wstring UniqueNameSuffix() {
    GUID guid{};
    if (FAILED(::CoCreateGuid(&guid))) return L"copy";
    wchar_t digits[16];
    std::swprintf(digits, 16, L"%08lx", static_cast<unsigned long>(guid.Data1));
    return std::wstring(digits, 6);
}

std::filesystem::path CreateUniqueFolder(const std::filesystem::path& parent, const std::wstring& baseName,
                                         std::error_code& error) {
    constexpr int kAttempts = 32;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::filesystem::path folder =
            parent / (attempt == 0 ? baseName : baseName + L"-" + UniqueNameSuffix());
        if (::CreateDirectoryW(folder.c_str(), nullptr)) {
            error.clear();
            return folder;
        }
        const DWORD failure = ::GetLastError();
        if (failure != ERROR_ALREADY_EXISTS && failure != ERROR_FILE_EXISTS) {
            error.assign(static_cast<int>(failure), std::system_category());
            return {};
        }
    }
    error = std::make_error_code(std::errc::file_exists);
    return {};
}
