#include "platform/portable_path.h"

#include <windows.h>

#include <winnetwk.h>

#include "platform/path_rules.h"

namespace {

bool IsDriveLetterPath(const std::wstring& path) {
    return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

// "\\server\share" for a drive mapped to a share; empty for any other drive.
std::wstring ShareOfDrive(wchar_t letter) {
    const wchar_t drive[] = {letter, L':', L'\0'};
    std::wstring remote(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length = static_cast<DWORD>(remote.size());
        const DWORD result = ::WNetGetConnectionW(drive, remote.data(), &length);
        if (result == NO_ERROR) {
            remote.resize(remote.find(L'\0'));
            while (!remote.empty() && (remote.back() == L'\\' || remote.back() == L'/')) remote.pop_back();
            return remote;
        }
        if (result != ERROR_MORE_DATA) return {};
        remote.assign(length, L'\0');
    }
    return {};
}

}  // namespace

std::wstring PortableAbsolutePath(const std::wstring& path) {
    const std::wstring full = FullPathName(path);
    if (!IsDriveLetterPath(full)) return full;
    const std::wstring share = ShareOfDrive(full[0]);
    return share.empty() ? full : share + full.substr(2);
}
