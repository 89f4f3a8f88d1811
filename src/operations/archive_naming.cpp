#include "operations/archive_naming.h"

#include <windows.h>

#include "platform/file_names.h"

namespace fs = std::filesystem;

fs::path MoveArchiveToFreeName(const fs::path& temporary, const fs::path& wanted, std::wstring& error) {
    constexpr int kAttempts = 32;
    fs::path target = wanted;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return target;
        const DWORD failure = ::GetLastError();
        bool taken = failure == ERROR_FILE_EXISTS || failure == ERROR_ALREADY_EXISTS;
        if (failure == ERROR_ACCESS_DENIED) {
            // Denied for a name that exists (a folder, a file in use) just means the
            // name is taken; denied for a free name means the folder refuses us.
            std::error_code statusError;
            taken = fs::exists(fs::symlink_status(target, statusError)) && !statusError;
        }
        if (!taken) {
            error = L"Не удалось сохранить архив: " + target.wstring() + L" (" + std::to_wstring(failure) + L")";
            return {};
        }
        const std::wstring suffix = attempt == 0 ? LocalTimestamp() : UniqueNameSuffix();
        target = wanted.parent_path() / (wanted.stem().wstring() + L"-" + suffix + wanted.extension().wstring());
    }
    error = L"Не удалось подобрать свободное имя архива: " + wanted.wstring();
    return {};
}
