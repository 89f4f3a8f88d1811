#include "platform/hibernation_file.h"

#include <windows.h>

#include <cstring>
#include <filesystem>

#include "core/unique_handle.h"

bool IsHibernatedWindows(const std::wstring& root) {
    if (root.empty()) return false;
    const std::wstring path = (std::filesystem::path(root) / L"hiberfil.sys").wstring();
    const FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }
    char signature[4] = {};
    DWORD read = 0;
    if (!::ReadFile(file.get(), signature, sizeof signature, &read, nullptr)) return true;
    if (read < sizeof signature) return false;
    return std::memcmp(signature, "hibr", 4) == 0 || std::memcmp(signature, "HIBR", 4) == 0;
}

std::wstring HibernationRefusalLogLine(const std::wstring& root) {
    return L"Офлайн-Windows в гибернации или после быстрого запуска (hiberfil.sys), изменения отменены: " + root;
}
