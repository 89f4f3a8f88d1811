// Quillbay's console dispatcher as an unelevated process runs it. Wine's token is
// always elevated, so this program answers the token's elevation query with "not
// elevated" in the process a test starts; Quillbay's dispatcher then relays the
// command to a "runas" copy of this program (Wine starts it without a prompt and
// reports its exit code), which runs it elevated through the same dispatcher.
// The copy first names the relay file it was given. Environment switches, which
// the copy inherits:
//   QB_PROBE_UNELEVATED_COPY  the copy is not elevated either ("runas" gave no admin token);
//   QB_PROBE_SILENT_COPY      the copy ends with 4 and writes nothing;
//   QB_PROBE_STREAM           the copy waits, after its first line, until the event
//                             "Local\QuillbayRelayProbeStream" is set (30 s at most).
// "flood <MiB>" relays directly, and the copy writes that much and ends with 3,
// for the relay's size limit. While a test holds the event
// "Local\QuillbayRelayProbeGate" the caller waits for it before relaying, so the
// test can move the program's file away first. Every generation of copies counts
// itself, and a fourth ends at once with 99, so a relay loop cannot run forever.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "console/console_dispatch.h"
#include "console/console_output.h"
#include "console/console_relay.h"
#include "core/command_line.h"
#include "core/unique_handle.h"
#include "unelevated_token.h"

namespace {

bool Switched(const wchar_t* name) { return ::GetEnvironmentVariableW(name, nullptr, 0) != 0; }

void WaitForEvent(const wchar_t* name) {
    if (const KernelHandle event(::OpenEventW(SYNCHRONIZE, FALSE, name)); event)
        ::WaitForSingleObject(event.get(), 30000);
}

int CountGeneration() {
    wchar_t text[16] = {};
    ::GetEnvironmentVariableW(L"QB_PROBE_GENERATION", text, 16);
    const int generation = _wtoi(text) + 1;
    ::SetEnvironmentVariableW(L"QB_PROBE_GENERATION", std::to_wstring(generation).c_str());
    return generation;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR tail, int) {
    if (CountGeneration() > 3) return 99;
    const std::wstring commandTail = tail ? tail : L"";
    const CommandLine command = ParseCommandLine();
    const bool copy = !command.RelayPath.empty();
    const std::vector<std::wstring> arguments = SplitCommandLine(::GetCommandLineW());
    const bool flood = arguments.size() > 2 && arguments[1] == L"flood";

    if (!copy) {
        WaitForEvent(L"Local\\QuillbayRelayProbeGate");
        if (flood) return RunConsoleRelay({arguments[1], arguments[2]}, 1).ExitCode;
        const sim::UnelevatedToken unelevated;
        return DispatchConsoleMode(commandTail, 1).ExitCode;
    }

    if (Switched(L"QB_PROBE_SILENT_COPY")) return 4;
    std::wstring refusal;
    if (UseRelayFile(command.RelayPath, refusal)) WriteConsoleLine(L"relay file: " + command.RelayPath);
    if (Switched(L"QB_PROBE_STREAM")) WaitForEvent(L"Local\\QuillbayRelayProbeStream");
    if (flood) {
        const std::wstring megabyte(1024 * 1024, L'x');
        for (int i = std::stoi(arguments[2]); i > 0; --i) WriteConsoleText(megabyte, false);
        return 3;
    }
    std::optional<sim::UnelevatedToken> unelevated;
    if (Switched(L"QB_PROBE_UNELEVATED_COPY")) unelevated.emplace();
    return DispatchConsoleMode(commandTail, 1).ExitCode;
}
