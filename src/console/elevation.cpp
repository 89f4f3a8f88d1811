#include "console/elevation.h"

#include <windows.h>

#include <shellapi.h>

#include <vector>

#include <cwchar>

#include "core/command_line.h"
#include "core/string_compare.h"
#include "core/text_trim.h"
#include "platform/module_path.h"
#include "platform/system_message.h"

void ShowElevationError(const std::wstring& text) { ::MessageBoxW(nullptr, text.c_str(), L"Quillbay", MB_ICONERROR); }

namespace {

bool WasRelaunchedForElevation() {
    const std::vector<std::wstring> arguments = SplitCommandLine(::GetCommandLineW());
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (EqualsIgnoreCase(arguments[i], L"--elevation-relaunch")) return true;
    }
    return false;
}

std::wstring ElevationFailureText(DWORD error, LangId language) {
    if (error == ERROR_CANCELLED) return GetText(language, 168);
    std::wstring detail = TrimWhitespace(SystemMessageText(error));
    if (detail.empty()) {
        wchar_t code[32];
        std::swprintf(code, 32, L"Ошибка %lu", static_cast<unsigned long>(error));
        detail = code;
    }
    return GetText(language, 169) + detail;
}

}  // namespace

bool EnsureElevated(const std::wstring& commandTail, LangId language) {
    if (IsProcessElevated()) return true;
    // A copy that is still unelevated after the prompt must not prompt again.
    if (WasRelaunchedForElevation()) {
        ShowElevationError(GetText(language, 166));
        return false;
    }
    const std::wstring module = ModuleFilePath();
    if (module.empty()) {
        ShowElevationError(GetText(language, 167));
        return false;
    }
    std::wstring parameters = TrimWhitespace(commandTail);
    if (!parameters.empty()) parameters += L' ';
    parameters += L"--elevation-relaunch";

    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.lpVerb = L"runas";
    execute.lpFile = module.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) ShowElevationError(ElevationFailureText(::GetLastError(), language));
    return false;
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
