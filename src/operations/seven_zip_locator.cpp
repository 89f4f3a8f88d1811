#include "operations/seven_zip_locator.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "core/unique_handle.h"
#include "platform/path_rules.h"
#include "platform/process_elevation.h"

namespace {

constexpr DWORD kLongPathCharacters = 32768;
constexpr DWORD kRegistryPathLimitBytes = 64 * 1024;

using Path = std::filesystem::path;

bool IsUsableFile(const Path& candidate) {
    std::error_code ignored;
    return candidate.is_absolute() && candidate.native().size() < kLongPathCharacters &&
           std::filesystem::is_regular_file(candidate, ignored);
}

std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
    std::wstring value(kLongPathCharacters, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), kLongPathCharacters);
    if (length == 0 || length >= kLongPathCharacters) return std::nullopt;
    value.resize(length);
    return value;
}

// "Path" of the subkey as stored (references not expanded); empty when absent, of
// another type, empty or too large.
std::wstring RegistryInstallFolder(HKEY root, const std::wstring& subkey) {
    RegKey key;
    if (subkey.empty() ||
        ::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return {};
    }
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key.get(), L"Path", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0 || size > kRegistryPathLimitBytes) {
        return {};
    }
    // One extra character: the stored text need not end with a terminator.
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    DWORD readSize = size;
    if (::RegQueryValueExW(key.get(), L"Path", nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &readSize) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    value.resize(readSize / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

std::vector<Path> SearchPathFolders(const SevenZipSearchPlaces& places) {
    std::vector<Path> folders;
    if (!places.ProgramFolder.empty()) folders.emplace_back(places.ProgramFolder);
    const std::optional<std::wstring> searchPath = EnvironmentValue(L"PATH");
    if (!searchPath) return folders;
    std::size_t start = 0;
    while (start <= searchPath->size()) {
        std::size_t end = searchPath->find(L';', start);
        if (end == std::wstring::npos) end = searchPath->size();
        std::wstring folder = searchPath->substr(start, end - start);
        if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') {
            folder = folder.substr(1, folder.size() - 2);
        }
        if (!folder.empty()) folders.emplace_back(folder);
        start = end + 1;
    }
    return folders;
}

using LogFunction = std::function<void(const std::wstring&)>;

// A candidate and, for one an unelevated process could have planted, where it came from.
struct Candidate {
    Path File;
    std::wstring UserPlace;  // empty: the program folder, HKLM or Program Files
};

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
    PWSTR folder = nullptr;
    const HRESULT hr = ::SHGetKnownFolderPath(id, 0, nullptr, &folder);
    std::wstring path = SUCCEEDED(hr) && folder ? folder : L"";
    ::CoTaskMemFree(folder);
    return path;
}

bool IsAcceptable(const Candidate& candidate, const SevenZipSearchPlaces& places, const LogFunction& log) {
    if (!IsUsableFile(candidate.File)) return false;
    if (!places.Elevated || candidate.UserPlace.empty()) return true;
    const auto contains = [&](const std::wstring& folder) {
        return !folder.empty() && IsPathInside(candidate.File, folder);
    };
    if (std::any_of(places.ProtectedFolders.begin(), places.ProtectedFolders.end(), contains)) return true;
    if (log) {
        log(L"Пропущен 7-Zip " + candidate.File.wstring() + L" из " + candidate.UserPlace +
            L": программа запущена с повышенными правами, а файл лежит вне Program Files и папки Windows");
    }
    return false;
}

}  // namespace

SevenZipSearchPlaces StandardSevenZipSearchPlaces() {
    SevenZipSearchPlaces places;
    places.RegistrySubkey = L"SOFTWARE\\7-Zip";
    places.Elevated = IsProcessElevated();
    // From the system's own settings, not the environment, which the user may set.
    places.ProtectedFolders = {KnownFolder(FOLDERID_ProgramFiles), KnownFolder(FOLDERID_ProgramFilesX86)};
    wchar_t windowsFolder[MAX_PATH] = {};
    const UINT windowsLength = ::GetSystemWindowsDirectoryW(windowsFolder, MAX_PATH);
    if (windowsLength > 0 && windowsLength < MAX_PATH) places.ProtectedFolders.emplace_back(windowsFolder);
    std::wstring module(kLongPathCharacters, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, module.data(), kLongPathCharacters);
    if (length > 0 && length < kLongPathCharacters) {
        module.resize(length);
        places.ProgramFolder = Path(module).parent_path().wstring();
    }
    return places;
}

SevenZipTool Locate7Zip(const SevenZipSearchPlaces& places, const LogFunction& log) {
    std::vector<Candidate> candidates;
    if (!places.ProgramFolder.empty()) {
        candidates.push_back({Path(places.ProgramFolder) / L"7z.exe", {}});
        candidates.push_back({Path(places.ProgramFolder) / L"7zz.exe", {}});
    }
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const std::wstring folder = RegistryInstallFolder(root, places.RegistrySubkey);
        const std::wstring place = root == HKEY_CURRENT_USER ? L"HKCU\\" + places.RegistrySubkey : std::wstring();
        if (!folder.empty()) candidates.push_back({Path(folder) / L"7z.exe", place});
    }
    for (const wchar_t* variable : {L"ProgramFiles", L"ProgramFiles(x86)"}) {
        const std::optional<std::wstring> folder = EnvironmentValue(variable);
        if (folder) candidates.push_back({Path(*folder) / L"7-Zip" / L"7z.exe", {}});
    }
    for (const Candidate& candidate : candidates) {
        if (IsAcceptable(candidate, places, log)) return {candidate.File.wstring()};
    }

    // Not SearchPathW: it would look in the current folder too.
    const std::vector<Path> folders = SearchPathFolders(places);
    for (const wchar_t* name : {L"7z.exe", L"7zz.exe"}) {
        for (std::size_t i = 0; i < folders.size(); ++i) {
            // SearchPathFolders puts the program folder first.
            const bool programFolder = i == 0 && !places.ProgramFolder.empty();
            const Candidate candidate{folders[i] / name, programFolder ? std::wstring() : L"PATH"};
            if (IsAcceptable(candidate, places, log)) return {candidate.File.wstring()};
        }
    }
    return {};
}

SevenZipTool Locate7Zip(const LogFunction& log) { return Locate7Zip(StandardSevenZipSearchPlaces(), log); }
