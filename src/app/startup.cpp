#include "app/startup.h"

#include <commctrl.h>
#include <objbase.h>

#include <memory>

#include "console/console_dispatch.h"
#include "console/elevation.h"
#include "core/settings.h"
#include "platform/target_windows.h"
#include "resource_ids.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window.h"

LangId LanguageForPrimaryLanguage(WORD primaryLanguage) {
    switch (primaryLanguage) {
    case 0x04: return 2;
    case 0x07: return 4;
    case 0x0C: return 3;
    case 0x11: return 7;
    case 0x19: return 0;
    case 0x1E: return 6;
    case 0x21: return 5;
    default: return 1;
    }
}

LangId ResolveLanguage() {
    DWORD stored = 0;
    if (ReadSettingDword(L"Language", stored) && stored < 8) return static_cast<LangId>(stored);
    return LanguageForPrimaryLanguage(static_cast<WORD>(::GetUserDefaultUILanguage() & 0x3FF));
}

int RunInteractive(HINSTANCE instance, LangId language) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), 0x402B};
    ::InitCommonControlsEx(&controls);
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool comInitialized = SUCCEEDED(com);

    auto state = std::make_unique<AppState>();
    state->Instance = instance;
    state->Language = language;
    state->Options = ReadRemovalOptions();
    state->BackupFolder = DefaultBackupFolder(L"Backup-DriverBackup");
    state->SafetyBackupFolder = DefaultBackupFolder(L"Deleted-DriverBackup");
    state->Events.LogPath = TempFilePath(L"Quillbay.log");
    state->Events.DismLogPath = TempFilePath(L"Quillbay-DISM.log");

    int exitCode = 0;
    std::wstring error;
    const bool dismReady = state->Dism.Initialize(state->Events.DismLogPath, error);
    if (!state->Dism.LogRefusal().empty()) Log(state->Events, state->Dism.LogRefusal());
    if (!dismReady) {
        Log(state->Events, error);
        ShowDismInitFailure(error, state->Events.LogPath);
        exitCode = 2;
    } else {
        const INT_PTR result = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr, MainWindowProc,
                                                 reinterpret_cast<LPARAM>(state.get()));
        if (result == -1) {
            // The error may be 0, and a script must never read a window that
            // never opened as a session that ended well.
            const DWORD error = ::GetLastError();
            exitCode = static_cast<int>(error != 0 ? error : ERROR_CAN_NOT_COMPLETE);
            Log(state->Events, L"Не удалось открыть главное окно, код " + std::to_wstring(exitCode));
        }
        state->Dism.Shutdown();
    }
    if (comInitialized) ::CoUninitialize();
    state.reset();
    return exitCode;
}

int RunApplication(HINSTANCE instance, const std::wstring& commandTail) {
    // An elevated process must never load a DLL planted in the current directory.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);

    const LangId language = ResolveLanguage();
    const ConsoleDispatchResult console = DispatchConsoleMode(commandTail, language);
    if (console.Handled) return console.ExitCode;
    if (!EnsureElevated(commandTail, language)) return 0;
    return RunInteractive(instance, language);
}
