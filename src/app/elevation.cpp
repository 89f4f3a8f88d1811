#include "app/elevation.h"

#include <windows.h>

#include "platform/unique_handle.h"

bool IsProcessElevated() {
    KernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

bool EnsureElevated(const std::wstring& /*commandTail*/, LangId /*language*/) {
    // The relaunch through "runas" arrives with the console relay; until then an
    // unelevated start simply proceeds and DISM reports the missing rights.
    return true;
}

std::wstring DismInitFailureText(const std::wstring& error, const std::wstring& logPath) {
    std::wstring text = error + L"\r\n\r\nDISM API не удалось инициализировать. Приложение будет закрыто.\r\nЖурнал: " +
                        logPath;
    if (error.find(L"0x800702E4") != std::wstring::npos) {
        text += L"\r\n\r\nКод 0x800702E4 означает, что процесс не получил требуемое повышение прав. Запустите EXE или "
                L"Visual Studio от имени администратора.";
    }
    return text;
}

void ShowDismInitFailure(const std::wstring& error, const std::wstring& logPath) {
    ::MessageBoxW(nullptr, DismInitFailureText(error, logPath).c_str(), L"Quillbay", MB_ICONERROR);
}
