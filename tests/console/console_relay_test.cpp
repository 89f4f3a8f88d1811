// The console relay as an unelevated Quillbay.exe uses it. Wine's token is always
// elevated, so qb-relay-probe.exe stands in for the unelevated process: it calls
// RunConsoleRelay, whose "runas" copy of itself (Wine starts it without a prompt
// and reports its exit code) runs the command through Quillbay's dispatcher.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "console_run.h"
#include "core/event_log.h"
#include "core/text_encoding.h"
#include "core/unique_handle.h"
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

TEST(ConsoleRelayE2E, OversizedRelayFileIsNotPrintedButItsCodeCounts) {
    const test::ProcessResult result = test::RunProgram(kProbe, L"flood 64");
    EXPECT_EQ(result.ExitCode, 3u);
    EXPECT_EQ(result.StdOut, "") << "more than 64 MiB came back";
    EXPECT_EQ(result.StdErr, "");
    // The copy names its relay file first; nothing of it came back, so look for leftovers.
    const std::wstring pattern = TempFilePath(L"Quillbay-console-" + std::to_wstring(result.ProcessId) + L"-*");
    WIN32_FIND_DATAW found{};
    const FindHandle search(::FindFirstFileW(pattern.c_str(), &found));
    EXPECT_FALSE(search) << "deleted even when it was not read";
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
