// Quillbay.exe as an unelevated process runs it. Wine's token is always elevated,
// so Quillbay.exe itself never relays; this program relays every command line to
// an elevated copy of itself. The copy first names the relay file it was given,
// then runs the command through Quillbay's own dispatcher, so what comes back is
// what Quillbay.exe's copy would write. "flood <MiB>" instead makes the copy
// write that much and end with 3, for the relay file's size limit. While a test
// holds the event "Local\QuillbayRelayProbeGate" the caller waits for it to be
// set before relaying, so the test can move the program's file away first.
#include <windows.h>

#include <string>
#include <vector>

#include "console/console_dispatch.h"
#include "console/console_output.h"
#include "console/console_relay.h"
#include "core/command_line.h"
#include "core/unique_handle.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR tail, int) {
    const std::wstring commandTail = tail ? tail : L"";
    const CommandLine command = ParseCommandLine();
    if (command.RelayPath.empty()) {
        if (const KernelHandle gate(::OpenEventW(SYNCHRONIZE, FALSE, L"Local\\QuillbayRelayProbeGate")); gate)
            ::WaitForSingleObject(gate.get(), 30000);
        return RunConsoleRelay(commandTail, 1);
    }

    SetRelayFilePath(command.RelayPath);
    WriteConsoleLine(L"relay file: " + command.RelayPath);
    const std::vector<std::wstring> arguments = SplitCommandLine(::GetCommandLineW());
    if (arguments.size() > 2 && arguments[1] == L"flood") {
        const std::wstring megabyte(1024 * 1024, L'x');
        for (int i = std::stoi(arguments[2]); i > 0; --i) WriteConsoleText(megabyte, false);
        return 3;
    }
    return DispatchConsoleMode(commandTail, 1).ExitCode;
}
