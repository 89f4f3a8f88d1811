#include "console/console_dispatch.h"

#include <windows.h>

#include <objbase.h>

#include "console/console_backup.h"
#include "console/console_cleanup.h"
#include "console/console_list.h"
#include "console/console_output.h"
#include "console/console_relay.h"
#include "console/console_state.h"
#include "console/elevation.h"
#include "console/relay_file.h"
#include "console/self_test.h"
#include "console/target_packages.h"
#include "core/command_line.h"
#include "core/event_log.h"

namespace {

int RunCommand(const CommandLine& command, ConsoleState& state) {
    switch (command.Command) {
    case ConsoleCommand::Backup: return RunConsoleBackup(state, command.Argument);
    case ConsoleCommand::CleanupPreview: return RunConsoleCleanup(state, false);
    case ConsoleCommand::Cleanup: return RunConsoleCleanup(state, true);
    case ConsoleCommand::List: return RunConsoleList(state, command.Format, command.OutputPath);
    default: return RunSelfTest(state, command.Argument);
    }
}

}  // namespace

ConsoleDispatchResult DispatchConsoleMode(const std::wstring& /*commandTail*/, LangId language) {
    CommandLine command = ParseCommandLine();
    if (command.Command == ConsoleCommand::None) return {};

    std::wstring refusal;
    if (!UseRelayFile(command.RelayPath, refusal)) {
        AppendLogFile(TempFilePath(L"Quillbay.log"), FormatLogLine(refusal));
        command = CommandLine{};
        command.Command = ConsoleCommand::Invalid;
        command.BadArgument = L"--console-relay";
    }
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
    if (!IsProcessElevated()) {
        // "runas" may start a copy that is still not elevated (no prompt for a
        // standard user, a policy without an admin token); relaying again would
        // start copies without end.
        if (!command.RelayPath.empty()) {
            WriteConsoleLine(GetText(language, 166), true);
            return {true, 5};
        }
        const RelayResult relay = RunConsoleRelay(RelayArguments(command), language);
        if (command.Command == ConsoleCommand::SelfTest) {
            // The self-test has no console of its own to explain a refusal on.
            if (!relay.Started) ShowElevationError(relay.Failure);
            return {true, relay.Started ? relay.ExitCode : 0};
        }
        if (!relay.Started) {
            WriteConsoleLine(relay.Failure, true);
            return {true, 5};
        }
        if (relay.Silent) WriteConsoleLine(GetText(language, 262) + std::to_wstring(relay.ExitCode), true);
        return {true, relay.ExitCode};
    }

    const bool comInitialized = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    int exitCode = 0;
    {
        ConsoleState state;
        state.Language = language;
        state.LogPath = TempFilePath(L"Quillbay.log");
        state.Caller = OpenRelayCaller(command.RelayPath);
        std::wstring error;
        const bool targetKnown = ChooseConsoleTarget(state, command.TargetRoot, error);
        const bool dismReady = targetKnown && state.Dism.Initialize(TempFilePath(L"Quillbay-DISM.log"), error);
        if (!state.Dism.LogRefusal().empty()) LogConsoleEvent(state, state.Dism.LogRefusal());
        if (!targetKnown) {
            LogConsoleEvent(state, error);
            WriteConsoleError(error);
            exitCode = 2;
        } else if (!dismReady) {
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
