#include "platform/target_windows.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>

std::wstring DefaultBackupFolder(const std::wstring& folderName) {
    PWSTR desktop = nullptr;
    const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &desktop);
    std::wstring desktopPath = SUCCEEDED(hr) && desktop ? desktop : L"";
    ::CoTaskMemFree(desktop);
    if (SUCCEEDED(hr)) return (std::filesystem::path(desktopPath) / folderName).wstring();

    wchar_t profile[260];
    const DWORD length = ::GetEnvironmentVariableW(L"USERPROFILE", profile, 260);
    if (length >= 1 && length <= 259)
        return (std::filesystem::path(profile) / L"Desktop" / folderName).wstring();

    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    return ((ec ? std::filesystem::path(L".") : current) / folderName).wstring();
}
