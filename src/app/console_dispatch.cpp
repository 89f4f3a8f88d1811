#include "app/console_dispatch.h"

#include <windows.h>

#include <objbase.h>

#include "app/command_line.h"
#include "app/console_output.h"
#include "app/console_relay.h"
#include "app/console_state.h"
#include "app/elevation.h"
#include "app/event_log.h"

namespace {

// The bodies of the working commands land separately; until then they say so
// plainly and fail as an operation error.
int RunCommand(const CommandLine& command, ConsoleState& /*state*/) {
    const wchar_t* name = command.Command == ConsoleCommand::Backup           ? L"backup"
                          : command.Command == ConsoleCommand::CleanupPreview ? L"cleanup-preview"
                          : command.Command == ConsoleCommand::Cleanup        ? L"cleanup"
                                                                              : L"--self-test";
    WriteConsoleText(std::wstring(L"ERROR: the command ") + name + L" is not available in this build\r\n", true);
    return 4;
}

}  // namespace

ConsoleDispatchResult DispatchConsoleMode(const std::wstring& commandTail, LangId language) {
    const CommandLine command = ParseCommandLine();
    if (command.Command == ConsoleCommand::None) return {};

    SetRelayFilePath(command.RelayPath);
    if (command.Command != ConsoleCommand::SelfTest) ::AttachConsole(ATTACH_PARENT_PROCESS);

    if (command.Command == ConsoleCommand::Help) {
        PrintHelp(language);
        return {true, 0};
    }
    if (command.Command == ConsoleCommand::Invalid) {
        WriteConsoleText(GetText(language, 163) + command.BadArgument + L"\r\n", true);
        WriteConsoleText(L"\r\n", false);
        PrintHelp(language);
        return {true, 2};
    }
    if (command.Command == ConsoleCommand::SelfTest) {
        if (!EnsureElevated(commandTail, language)) return {true, 0};
    } else if (!IsProcessElevated()) {
        return {true, RunConsoleRelay(commandTail, language)};
    }

    const bool comInitialized = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    int exitCode = 0;
    {
        ConsoleState state;
        state.Language = language;
        state.LogPath = TempFilePath(L"Quillbay.log");
        std::wstring error;
        if (!state.Dism.Initialize(TempFilePath(L"Quillbay-DISM.log"), error)) {
            AppendLogFile(state.LogPath, FormatLogLine(error));
            if (command.Command == ConsoleCommand::SelfTest) {
                ShowDismInitFailure(error, state.LogPath);
                exitCode = 2;
            } else {
                WriteConsoleText(L"ERROR: " + error + L"\r\n" + L"Log: " + state.LogPath + L"\r\n", true);
                exitCode = 4;
            }
        } else {
            exitCode = RunCommand(command, state);
        }
        state.Dism.Shutdown();
    }
    if (comInitialized) ::CoUninitialize();
    return {true, exitCode};
}
