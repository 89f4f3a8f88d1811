#include "operations/install_driver_online.h"

#include <cwchar>
#include <filesystem>
#include <system_error>

#include "analysis/system_error_text.h"
#include "core/system_function.h"
#include "core/unique_handle.h"

InstallOutcome CallDiInstallDriver(DiInstallDriverFunction install, const std::wstring& absolutePath,
                                   bool& restartRequired, std::wstring& error) {
    BOOL needReboot = FALSE;
    ::SetLastError(ERROR_SUCCESS);
    const BOOL installed = install(nullptr, absolutePath.c_str(), 0, &needReboot);
    const DWORD code = ::GetLastError();
    restartRequired = needReboot != FALSE;
    if (installed) return InstallOutcome::Installed;
    wchar_t hex[16];
    std::swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(code));
    error = L"DiInstallDriver(" + absolutePath + L"), " + hex + L": " + FormatSystemError(code);
    return code == ERROR_NO_MORE_ITEMS ? InstallOutcome::Kept : InstallOutcome::Failed;
}

InstallOutcome InstallDriverOnline(const std::wstring& infPath, bool& restartRequired, std::wstring& error) {
    restartRequired = false;
    std::error_code pathError;
    const std::filesystem::path absolute = std::filesystem::absolute(infPath, pathError);
    if (pathError || !std::filesystem::is_regular_file(absolute, pathError)) {
        error = L"INF-файл не найден: " + infPath;
        return InstallOutcome::Failed;
    }
    // From the system folder only: an elevated program must not pick up a
    // newdev.dll planted beside it or in the current folder.
    Module newdev(::LoadLibraryExW(L"newdev.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!newdev) {
        error = L"Не удалось загрузить newdev.dll: " + FormatSystemError(::GetLastError());
        return InstallOutcome::Failed;
    }
    const auto install = LookUpFunction<DiInstallDriverFunction>(newdev.get(), "DiInstallDriverW");
    if (install == nullptr) {
        error = L"Функция DiInstallDriverW недоступна: " + FormatSystemError(::GetLastError());
        return InstallOutcome::Failed;
    }
    return CallDiInstallDriver(install, absolute.wstring(), restartRequired, error);
}
