// The console relay as an unelevated Quillbay.exe uses it. Wine's token is always
// elevated, so qb-relay-probe.exe stands in for the unelevated process: Quillbay's
// dispatcher, with the token's elevation query answered "not elevated", relays to
// a "runas" copy of the probe (Wine starts it without a prompt and reports its
// exit code), which runs the command through the same dispatcher. What the shell
// is asked to start is checked in this process, with the shell and the network
// drive query replaced at the program's import table.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <string>

#include "console/console_relay.h"
#include "console/relay_file.h"
#include "console_log.h"
#include "console_run.h"
#include "core/command_line.h"
#include "core/event_log.h"
#include "core/localized_text.h"
#include "core/text_encoding.h"
#include "core/unique_handle.h"
#include "import_hook.h"
#include "seeded_sample.h"
#include "test_support.h"
#include "tests/operations/seven_zip_on_path.h"

namespace fs = std::filesystem;
using test::Utf8Text;

namespace {

const fs::path kProbe = test::BinFolder() / L"qb-relay-probe.exe";

// The relay file the copy was given, from the line it writes first.
std::string RelayFileOf(const std::string& output) {
    const std::string prefix = "relay file: ";
    if (output.rfind(prefix, 0) != 0) return {};
    return output.substr(prefix.size(), output.find("\r\n") - prefix.size());
}

}  // namespace

TEST(ConsoleRelayE2E, CopyOutputAndExitCodeComeBackAndTheRelayFileGoes) {
    test::StoredLanguage language;
    ASSERT_TRUE(language.Set(1));
    test::SeededSample sample(test::SeededSample::Content::PackagesOnly);
    const test::SevenZipOnPath sevenZip;
    const test::TempFolder folder;

    // A driver file held open without sharing fails one package: partial completion.
    const fs::path held = test::SeededSample::StoreFolder(sample.Package(L"oem3.inf")) / L"qtgfx.sys";
    const FileHandle lock(::CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    const test::ProcessResult result =
        test::RunProgram(kProbe, L"backup \"" + (folder.Path() / L"relayed").wstring() + L"\"");
    EXPECT_EQ(result.ExitCode, 3u);
    EXPECT_EQ(result.StdErr, "") << "what the copy wrote to its error stream arrives on the output stream";

    const std::string relayFile = RelayFileOf(result.StdOut);
    const std::string expectedStart =
        WideToUtf8(TempFilePath(L"Quillbay-console-" + std::to_wstring(result.ProcessId) + L"-"));
    EXPECT_EQ(relayFile.rfind(expectedStart, 0), 0u) << relayFile;
    EXPECT_EQ(relayFile.substr(relayFile.size() - 4), ".tmp");
    EXPECT_FALSE(fs::exists(Utf8ToWide(relayFile))) << "the caller deletes the relay file";

    const std::vector<std::string> lines = test::CrLfLines(result.StdOut);
    ASSERT_EQ(lines.size(), 8u) << result.StdOut;
    EXPECT_EQ(lines[1], Utf8Text(95));
    EXPECT_EQ(lines[2], Utf8Text(136) + "12");
    EXPECT_EQ(lines[3], Utf8Text(135) + "11");
    EXPECT_EQ(lines[4], Utf8Text(145) + "1");
    EXPECT_EQ(lines[5].rfind(WideToUtf8((folder.Path() / L"DriverBackup_").wstring()), 0), 0u) << lines[5];
    EXPECT_EQ(lines[6], "Log: " + WideToUtf8(TempFilePath(L"Quillbay.log")));
}

TEST(ConsoleRelayE2E, RelayedOutputStopsAt64MiBButItsCodeCounts) {
    const test::ProcessResult result = test::RunProgram(kProbe, L"flood 64");
    EXPECT_EQ(result.ExitCode, 3u);
    EXPECT_EQ(result.StdOut.size(), 0x4000000u) << "more than 64 MiB were written";
    EXPECT_EQ(result.StdOut.find_first_not_of('x', result.StdOut.find("\r\n") + 2), std::string::npos);
    EXPECT_EQ(result.StdErr, "");
    const std::wstring pattern = TempFilePath(L"Quillbay-console-" + std::to_wstring(result.ProcessId) + L"-*");
    WIN32_FIND_DATAW found{};
    const FindHandle search(::FindFirstFileW(pattern.c_str(), &found));
    EXPECT_FALSE(search) << "deleted also when it was not read to its end";
}

TEST(ConsoleRelayE2E, ACopyThatCannotStartEndsWithFive) {
    // The program's file is moved away while it runs (Windows allows renaming a
    // running program): there is nothing left for the shell to start elevated.
    const test::TempFolder folder;
    const fs::path program = folder.Path() / L"Quillbay.exe";
    fs::copy_file(kProbe, program);
    const KernelHandle gate(::CreateEventW(nullptr, TRUE, FALSE, L"Local\\QuillbayRelayProbeGate"));
    ASSERT_TRUE(gate);
    test::RunningProcess running(program, L"cleanup-preview");
    ASSERT_TRUE(running.Started());
    const bool moved = ::MoveFileW(program.c_str(), (folder.Path() / L"moved.exe").c_str()) != FALSE;
    ::SetEvent(gate.get());
    const test::ProcessResult result = running.Finish();
    ASSERT_TRUE(moved) << ::GetLastError();
    EXPECT_EQ(result.ExitCode, 5u);
    EXPECT_EQ(result.StdOut, "");
    EXPECT_EQ(result.StdErr, Utf8Text(169) + std::to_string(ERROR_FILE_NOT_FOUND) + "\r\n");
}

namespace {

// "\\<server>\share" standing for a folder while it lives: Wine resolves UNC
// names through the prefix's dosdevices/unc/<server>/<share> links.
class UncShare {
public:
    explicit UncShare(const fs::path& folder) {
        const std::wstring devices = test::UnixPath(L"C:\\");  // <prefix>/dosdevices/c:/
        const std::size_t drive = devices.rfind(L"/c:");
        const std::wstring target = test::UnixPath(folder);
        if (drive == std::wstring::npos || target.empty()) return;
        server_ = L"qbsrv" + std::to_wstring(::GetCurrentProcessId());
        hostFolder_ = devices.substr(0, drive) + L"/unc/" + server_;
        test::RunHostCommand(L"Z:\\bin\\sh", L"sh -c \"mkdir -p " + hostFolder_ + L" && ln -s " + target + L" " +
                                                   hostFolder_ + L"/share\"");
        if (!test::WaitUntil([&] { return ::GetFileAttributesW(Root().c_str()) != INVALID_FILE_ATTRIBUTES; }))
            server_.clear();
    }
    UncShare(const UncShare&) = delete;
    UncShare& operator=(const UncShare&) = delete;
    ~UncShare() {
        if (hostFolder_.empty()) return;
        test::RunHostCommand(L"Z:\\bin\\rm", L"rm -rf " + hostFolder_);
        test::WaitUntil([&] { return ::GetFileAttributesW(Root().c_str()) == INVALID_FILE_ATTRIBUTES; });
    }
    [[nodiscard]] bool Shared() const { return !server_.empty(); }
    [[nodiscard]] std::wstring Root() const { return L"\\\\" + server_ + L"\\share"; }

private:
    std::wstring server_;
    std::wstring hostFolder_;
};

}  // namespace

// The copy has another current directory (and, under another account, no mapped
// drives): relative paths are the caller's, and the self-test waits for its copy.
TEST(ConsoleRelayE2E, PathsMeanWhatTheyMeanToTheCallerAndTheSelfTestWaits) {
    test::SeededSample sample(test::SeededSample::Content::PackagesOnly);
    const test::SevenZipOnPath sevenZip;
    const test::TempFolder caller;
    const test::RunOptions here{caller.Path().wstring()};

    const test::ProcessResult backup = test::RunProgram(kProbe, L"backup relative\\drivers", here);
    EXPECT_EQ(backup.ExitCode, 0u) << backup.StdOut;
    EXPECT_TRUE(fs::is_regular_file(caller.Path() / L"relative" / L"drivers.7z")) << backup.StdOut;

    const test::ProcessResult report = test::RunProgram(kProbe, L"--self-test report.txt", here);
    EXPECT_EQ(report.ExitCode, 0u);
    EXPECT_EQ(test::ReadFileBytes(caller.Path() / L"report.txt").rfind("\xEF\xBB\xBFStatus=OK\r\nDriverCount=12\r\n", 0), 0u)
        << "written before the caller returned";
    EXPECT_EQ(test::CrLfLines(report.StdOut).size(), 2u) << "nothing but the probe's own line: " << report.StdOut;
    EXPECT_EQ(report.StdErr, "");
    const test::ProcessResult failed = test::RunProgram(kProbe, L"--self-test missing\\report.txt", here);
    EXPECT_EQ(failed.ExitCode, 2u) << "the copy's own code: its report could not be written";

    const test::TempFolder shared;
    const UncShare share(shared.Path());
    ASSERT_TRUE(share.Shared());
    const test::LogTail log;
    const test::ProcessResult unc = test::RunProgram(kProbe, L"backup " + share.Root() + L"\\unc-drivers", here);
    EXPECT_EQ(unc.ExitCode, 0u) << unc.StdOut << testing::PrintToString(log.Lines());
    EXPECT_TRUE(fs::is_regular_file(shared.Path() / L"unc-drivers.7z")) << unc.StdOut;
}

TEST(ConsoleRelayE2E, ACopyStillNotElevatedSaysSoAndNeverRelaysAgain) {
    const test::ScopedEnvironment unelevated(L"QB_PROBE_UNELEVATED_COPY", L"1");
    const test::ProcessResult result = test::RunProgram(kProbe, L"cleanup-preview");
    EXPECT_EQ(result.ExitCode, 5u);
    const std::vector<std::string> lines = test::CrLfLines(result.StdOut);
    ASSERT_EQ(lines.size(), 4u) << result.StdOut;
    EXPECT_EQ(lines[1] + "\r\n" + lines[2], Utf8Text(166));
    EXPECT_EQ(result.StdErr, "");
}

TEST(ConsoleRelayE2E, ACopyThatWroteNothingIsReportedWithItsCode) {
    const test::ScopedEnvironment silent(L"QB_PROBE_SILENT_COPY", L"1");
    const test::ProcessResult result = test::RunProgram(kProbe, L"cleanup-preview");
    EXPECT_EQ(result.ExitCode, 4u);
    EXPECT_EQ(result.StdOut, "");
    EXPECT_EQ(result.StdErr, Utf8Text(262) + "4\r\n");
}

TEST(ConsoleRelayE2E, OutputArrivesWhileTheCopyRuns) {
    const test::ScopedEnvironment stream(L"QB_PROBE_STREAM", L"1");
    const KernelHandle proceed(::CreateEventW(nullptr, TRUE, FALSE, L"Local\\QuillbayRelayProbeStream"));
    ASSERT_TRUE(proceed);
    test::RunningProcess running(kProbe, L"cleanup-preview");
    ASSERT_TRUE(running.Started());
    // The copy waits after its first line until it is told to go on.
    bool arrived = false;
    for (int attempt = 0; attempt < 200 && !arrived; ++attempt) {
        arrived = running.StdOutSoFar().rfind("relay file: ", 0) == 0;
        if (!arrived) ::Sleep(50);
    }
    ::SetEvent(proceed.get());
    const test::ProcessResult result = running.Finish();
    EXPECT_TRUE(arrived) << "the first line came only when the copy had ended";
    EXPECT_EQ(result.ExitCode, 4u) << "a fresh prefix has no device drivers to compare with: " << result.StdOut;
    EXPECT_EQ(test::CrLfLines(result.StdOut).back(), "");
}

namespace {

struct ShellRequest {
    std::wstring Parameters;
    std::wstring Directory;
};
ShellRequest g_request;

BOOL WINAPI RefuseElevation(SHELLEXECUTEINFOW* execute) {
    g_request = {execute->lpParameters ? execute->lpParameters : L"", execute->lpDirectory ? execute->lpDirectory : L""};
    ::SetLastError(ERROR_CANCELLED);
    return FALSE;
}

wchar_t g_mappedDrive = 0;

DWORD WINAPI MapDriveToShare(LPCWSTR drive, LPWSTR remote, LPDWORD length) {
    const std::wstring share = L"\\\\qbsrv\\share\\";
    if (!drive || std::towupper(drive[0]) != std::towupper(g_mappedDrive)) return ERROR_NOT_CONNECTED;
    if (*length <= share.size()) {
        *length = static_cast<DWORD>(share.size() + 1);
        return ERROR_MORE_DATA;
    }
    std::copy(share.c_str(), share.c_str() + share.size() + 1, remote);
    return NO_ERROR;
}

}  // namespace

TEST(ConsoleRelay, TheCopyStartsInTheCallersFolderWithAbsolutePathsAndSharesForMappedDrives) {
    const test::TempFolder folder;
    const test::ScopedCurrentFolder inFolder(folder.Path());
    const sim::ImportHook shell(L"shell32.dll", "ShellExecuteExW", reinterpret_cast<void*>(&RefuseElevation));
    const sim::ImportHook network(L"mpr.dll", "WNetGetConnectionW", reinterpret_cast<void*>(&MapDriveToShare));
    ASSERT_TRUE(shell.Installed() && network.Installed());
    const std::wstring local = folder.Path().wstring();
    const std::wstring shared = L"\\\\qbsrv\\share" + local.substr(2);

    struct Case {
        std::wstring commandLine;
        wchar_t mapped;
        std::vector<std::wstring> arguments;  // then the relay pair
        std::wstring directory;
    };
    const Case cases[] = {
        {L"Quillbay.exe BACKUP rel\\drivers", 0, {L"BACKUP", local + L"\\rel\\drivers.7z"}, local},
        {L"Quillbay.exe backup rel\\drivers.7z", local[0], {L"backup", shared + L"\\rel\\drivers.7z"}, shared},
        {L"Quillbay.exe --self-test report.txt", local[0], {L"--self-test", shared + L"\\report.txt"}, shared},
        {L"Quillbay.exe cleanup --elevation-relaunch", 0, {L"cleanup"}, local},
        {L"Quillbay.exe list --output rel\\inv.csv --format csv", local[0],
         {L"list", L"--output", shared + L"\\rel\\inv.csv", L"--format", L"csv"}, shared},
        // The target root is resolved where it was typed, wherever the pair stands.
        {L"Quillbay.exe backup --target offline rel\\drivers", 0,
         {L"backup", L"--target", local + L"\\offline", local + L"\\rel\\drivers.7z"}, local},
        {L"Quillbay.exe list --target offline --output inv.json", local[0],
         {L"list", L"--target", shared + L"\\offline", L"--output", shared + L"\\inv.json"}, shared},
        {L"Quillbay.exe cleanup-preview --target " + local.substr(0, 2), 0,
         {L"cleanup-preview", L"--target", local.substr(0, 3)}, local},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.commandLine));
        g_mappedDrive = c.mapped;
        g_request = {};
        const RelayResult result = RunConsoleRelay(RelayArguments(ParseCommandLineText(c.commandLine.c_str())), 1);
        EXPECT_FALSE(result.Started);
        EXPECT_EQ(result.Failure, GetText(1, 168));
        EXPECT_EQ(g_request.Directory, c.directory);
        std::vector<std::wstring> arguments = SplitCommandLine((L"x " + g_request.Parameters).c_str());
        ASSERT_EQ(arguments.size(), c.arguments.size() + 3) << WideToUtf8(g_request.Parameters);
        EXPECT_EQ(std::vector<std::wstring>(arguments.begin() + 1, arguments.end() - 2), c.arguments);
        EXPECT_EQ(arguments[arguments.size() - 2], L"--console-relay");
        EXPECT_TRUE(IsValidRelayPath(arguments.back()));
        EXPECT_FALSE(fs::exists(arguments.back())) << "a relay file nobody will write is deleted";
    }
}
