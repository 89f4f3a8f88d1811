#include "platform/target_windows.h"

#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cwctype>
#include <filesystem>
#include <system_error>

#include "core/string_compare.h"
#include "core/unique_handle.h"

namespace fs = std::filesystem;

namespace {

constexpr TextId kCurrentWindowsText = 69;
constexpr TextId kOfflineWindowsText = 70;

// A status query that fails for another reason than a missing path counts as absent.
bool PathExists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// A path without trailing separators, unless they are all there is of its root.
fs::path WithoutTrailingSeparators(const fs::path& path) {
    std::wstring text = path.wstring();
    const std::size_t rootLength = path.root_path().wstring().size();
    while (text.size() > rootLength && IsSeparator(text.back())) text.pop_back();
    return fs::path(text);
}

bool IsBareDrive(const std::wstring& text) {
    return text.size() == 2 && text[1] == L':';
}

bool FolderIdentity(const std::wstring& folder, BY_HANDLE_FILE_INFORMATION& identity) {
    const FileHandle handle(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle && ::GetFileInformationByHandle(handle.get(), &identity) != FALSE;
}

}  // namespace

bool IsWindowsRoot(const std::wstring& root) {
    // An empty root would name folders relative to the current directory.
    if (root.empty()) return false;
    const fs::path system32 = fs::path(root) / L"Windows\\System32";
    return PathExists(system32 / L"Config\\SYSTEM") && PathExists(system32 / L"DriverStore");
}

bool IsRunningWindowsRoot(const std::wstring& root) {
    wchar_t windowsFolder[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryW(windowsFolder, MAX_PATH);
    BY_HANDLE_FILE_INFORMATION running{};
    BY_HANDLE_FILE_INFORMATION chosen{};
    return length > 0 && length < MAX_PATH && FolderIdentity(windowsFolder, running) &&
           FolderIdentity((fs::path(root) / L"Windows").wstring(), chosen) &&
           running.dwVolumeSerialNumber == chosen.dwVolumeSerialNumber &&
           running.nFileIndexHigh == chosen.nFileIndexHigh && running.nFileIndexLow == chosen.nFileIndexLow;
}

std::wstring NormalizeTargetRoot(const std::wstring& folder) {
    fs::path path = WithoutTrailingSeparators(fs::path(folder).lexically_normal());
    if (EqualsIgnoreCase(path.filename().wstring(), L"Windows") && PathExists(path / L"System32\\Config\\SYSTEM") &&
        path.has_parent_path()) {
        path = WithoutTrailingSeparators(path.parent_path());
    }
    std::wstring root = path.wstring();
    if (IsBareDrive(root)) root += L'\\';
    return root;
}

std::wstring TargetLabel(LangId language, const std::wstring& root, bool isCurrent) {
    return GetText(language, isCurrent ? kCurrentWindowsText : kOfflineWindowsText) + root;
}

std::vector<TargetWindows> EnumerateTargets(LangId language) {
    std::vector<TargetWindows> targets;
    wchar_t windowsFolder[260] = {};
    const UINT length = ::GetWindowsDirectoryW(windowsFolder, 260);
    const wchar_t currentLetter =
        length > 0 && length < 260 ? static_cast<wchar_t>(std::towupper(windowsFolder[0])) : 0;
    const bool currentIsDrive = currentLetter >= L'A' && currentLetter <= L'Z';
    if (currentIsDrive && !IsWindowsPE()) {
        const std::wstring root = std::wstring(1, currentLetter) + L":\\";
        targets.push_back({TargetLabel(language, root, true), root, true});
    }
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        if (currentIsDrive && letter == currentLetter) continue;
        const std::wstring root = std::wstring(1, letter) + L":\\";
        const UINT type = ::GetDriveTypeW(root.c_str());
        if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR || type == DRIVE_CDROM) continue;
        if (IsWindowsRoot(root)) targets.push_back({TargetLabel(language, root, false), root, false});
    }
    return targets;
}

bool IsWindowsPE() {
    RegKey key;
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\MiniNT", 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}

std::wstring DefaultBackupFolder(const std::wstring& folderName) {
    PWSTR desktop = nullptr;
    const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &desktop);
    std::wstring desktopPath = SUCCEEDED(hr) && desktop ? desktop : L"";
    ::CoTaskMemFree(desktop);
    if (SUCCEEDED(hr)) return (fs::path(desktopPath) / folderName).wstring();

    wchar_t profile[260];
    const DWORD length = ::GetEnvironmentVariableW(L"USERPROFILE", profile, 260);
    if (length >= 1 && length <= 259) return (fs::path(profile) / L"Desktop" / folderName).wstring();

    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    return ((ec ? fs::path(L".") : current) / folderName).wstring();
}

HICON SystemDriveIcon() {
    wchar_t windowsFolder[260] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(windowsFolder, 260);
    if (length < 1 || length > 259) return nullptr;
    const std::wstring rootName = fs::path(windowsFolder).root_name().wstring();
    if (rootName.empty()) return nullptr;
    const std::wstring root = rootName + L"\\";
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(root.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON | SHGFI_ADDOVERLAYS))
        return nullptr;
    return info.hIcon;
}
