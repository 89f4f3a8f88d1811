#include "console/console_relay.h"

#include <windows.h>

#include <shellapi.h>

#include "console/console_output.h"
#include "console/relay_file.h"
#include "core/unique_handle.h"
#include "platform/argument_quoting.h"
#include "platform/module_path.h"
#include "platform/portable_path.h"
#include "platform/target_windows.h"

namespace {

// How often the caller looks for new output while the copy runs.
constexpr DWORD kPollMilliseconds = 100;

std::wstring FailureText(DWORD error, LangId language) {
    return error == ERROR_CANCELLED ? std::wstring(GetText(language, 168))
                                    : std::wstring(GetText(language, 169)) + std::to_wstring(error);
}

}  // namespace

std::vector<std::wstring> RelayArguments(const CommandLine& command) {
    std::vector<std::wstring> arguments = command.Arguments;
    // Unchanged when it cannot be made absolute: the copy then reports it.
    const auto makeAbsolute = [&arguments](size_t index, const std::wstring& path) {
        if (index == 0 || index >= arguments.size()) return;
        const std::wstring absolute = PortableAbsolutePath(path);
        if (!absolute.empty()) arguments[index] = absolute;
    };
    if (command.Command == ConsoleCommand::Backup || command.Command == ConsoleCommand::SelfTest)
        makeAbsolute(command.ArgumentIndex, command.Argument);
    if (command.Command == ConsoleCommand::List && !command.OutputPath.empty())
        makeAbsolute(command.OutputIndex, command.OutputPath);
    // A bare drive stays the drive's root rather than its current folder.
    if (!command.TargetRoot.empty()) makeAbsolute(command.TargetIndex, NormalizeTargetRoot(command.TargetRoot));
    return arguments;
}

RelayResult RunConsoleRelay(const std::vector<std::wstring>& arguments, LangId language) {
    RelayResult result;
    const std::wstring module = ModuleFilePath();
    if (module.empty()) {
        result.Failure = GetText(language, 167);
        return result;
    }
    const std::wstring relayPath = NewRelayFilePath();
    FileHandle relay = CreateRelayFile(relayPath);
    if (!relay) {
        result.Failure = FailureText(::GetLastError(), language);
        return result;
    }

    std::wstring parameters;
    for (const std::wstring& argument : arguments) parameters += QuoteArgument(argument) + L' ';
    parameters += L"--console-relay " + QuoteArgument(relayPath);
    const std::wstring directory = PortableAbsolutePath(L".");

    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    // No error box from the shell: a script may be waiting, and the failure is
    // reported on the error stream with its code.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = L"runas";
    execute.lpFile = module.c_str();
    execute.lpParameters = parameters.c_str();
    execute.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    execute.nShow = SW_HIDE;
    const BOOL started = ::ShellExecuteExW(&execute);
    const KernelHandle process(started ? execute.hProcess : nullptr);
    if (!process) {
        result.Failure = FailureText(::GetLastError(), language);
        relay.reset();
        ::DeleteFileW(relayPath.c_str());
        return result;
    }
    result.Started = true;

    {
        RelayFileReader reader(std::move(relay));
        const auto print = [&reader](bool final) {
            const std::wstring text = reader.ReadNew(final);
            if (!text.empty()) WriteConsoleText(text, false);
        };
        while (::WaitForSingleObject(process.get(), kPollMilliseconds) == WAIT_TIMEOUT) print(false);
        print(true);
        result.Silent = !reader.ReadAnything();
    }
    ::DeleteFileW(relayPath.c_str());

    DWORD exitCode = 4;
    DWORD childCode = 0;
    if (::GetExitCodeProcess(process.get(), &childCode)) exitCode = childCode;
    result.ExitCode = static_cast<int>(exitCode);
    return result;
}
