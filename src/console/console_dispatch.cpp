#include "console/console_dispatch.h"

#include <windows.h>

#include <objbase.h>

#include "console/console_backup.h"
#include "console/console_cleanup.h"
#include "console/console_output.h"
#include "console/console_relay.h"
#include "console/console_state.h"
#include "console/elevation.h"
#include "console/self_test.h"
#include "core/command_line.h"
#include "core/event_log.h"

namespace {

int RunCommand(const CommandLine& command, ConsoleState& state) {
    switch (command.Command) {
    case ConsoleCommand::Backup: return RunConsoleBackup(state, command.Argument);
    case ConsoleCommand::CleanupPreview: return RunConsoleCleanup(state, false);
    case ConsoleCommand::Cleanup: return RunConsoleCleanup(state, true);
    default: return RunSelfTest(state, command.Argument);
    }
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
        WriteConsoleLine(GetText(language, 163) + command.BadArgument, true);
        WriteConsoleLine(L"", false);
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
            LogConsoleEvent(state, error);
            if (command.Command == ConsoleCommand::SelfTest) {
                ShowDismInitFailure(error, state.LogPath);
                exitCode = 2;
            } else {
                WriteConsoleError(error);
                WriteLogPointer(state);
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
