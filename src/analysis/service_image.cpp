#include "analysis/service_image.h"

#include <windows.h>

#include <filesystem>
#include <string_view>
#include <vector>

#include "core/string_compare.h"

namespace {

constexpr DWORD kImagePathBufferBytes = 64 * 1024;
constexpr std::wstring_view kSystemRoot = L"\\SystemRoot\\";
constexpr std::wstring_view kSystem32 = L"System32\\";

bool StartsWithIgnoreCase(const std::wstring& text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(std::wstring_view(text).substr(0, prefix.size()), prefix);
}

bool RemovePrefix(std::wstring& text, std::wstring_view prefix) {
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    text.erase(0, prefix.size());
    return true;
}

}  // namespace

std::wstring ResolveImagePath(const std::wstring& windowsDirectory, std::wstring imagePath) {
    if (imagePath.size() >= 2 && imagePath.front() == L'"' && imagePath.back() == L'"') {
        imagePath = imagePath.substr(1, imagePath.size() - 2);
    }
    if (!RemovePrefix(imagePath, L"\\??\\")) (void)RemovePrefix(imagePath, L"\\\\?\\");
    std::filesystem::path path;
    if (StartsWithIgnoreCase(imagePath, kSystemRoot)) {
        path = std::filesystem::path(windowsDirectory) / imagePath.substr(kSystemRoot.size());
    } else if (StartsWithIgnoreCase(imagePath, kSystem32)) {
        path = std::filesystem::path(windowsDirectory) / imagePath;
    } else {
        path = imagePath;
        if (!path.has_root_name() && !path.has_root_directory()) return {};
    }
    return path.lexically_normal().wstring();
}

std::wstring ResolveServiceImage(const std::wstring& windowsDirectory, const std::wstring& service) {
    // A name that is empty or holds a separator would read another key than the service's own.
    if (service.empty() || service.find_first_of(L"\\/") != std::wstring::npos) return {};
    const std::wstring key = L"SYSTEM\\CurrentControlSet\\Services\\" + service;
    std::vector<wchar_t> buffer(kImagePathBufferBytes / sizeof(wchar_t), L'\0');
    DWORD bytes = kImagePathBufferBytes;
    // Without RRF_NOEXPAND a REG_EXPAND_SZ value comes back expanded, as REG_SZ;
    // asking for REG_EXPAND_SZ as such would be refused as an invalid parameter.
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ImagePath", RRF_RT_REG_SZ, nullptr, buffer.data(), &bytes) !=
        ERROR_SUCCESS) {
        return {};
    }
    return ResolveImagePath(windowsDirectory, std::wstring(buffer.data()));
}
