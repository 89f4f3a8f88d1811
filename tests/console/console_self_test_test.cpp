// --self-test: the report a support script reads, for a store with packages,
// without packages, and for a report that cannot be written.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <filesystem>
#include <string>

#include "console_log.h"
#include "core/event_log.h"
#include "core/text_encoding.h"
#include "seeded_sample.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

test::ProcessResult RunSelfTest(const std::wstring& arguments) {
    return test::RunProgram(test::BinFolder() / L"Quillbay.exe", L"--self-test" + arguments);
}

}  // namespace

TEST(ConsoleSelfTestE2E, ReportNamesTheFirstPackageAndFailsWithoutOne) {
    const test::TempFolder folder;
    const fs::path report = folder.Path() / L"self test report.txt";
    {
        test::SeededSample sample(test::SeededSample::Content::PackagesOnly);
        const test::ProcessResult result = RunSelfTest(L" \"" + report.wstring() + L"\"");
        EXPECT_EQ(result.ExitCode, 0u);
        EXPECT_EQ(result.StdOut + result.StdErr, "") << "the self-test never writes to a console";
        EXPECT_EQ(test::ReadFileBytes(report),
                  "\xEF\xBB\xBFStatus=OK\r\nDriverCount=12\r\nFirstDriver=brwnet.inf-12.19.1.37\r\n"
                  "FirstProvider=Brindlewick Networks\r\n");

        const fs::path standard = TempFilePath(L"Quillbay-self-test.txt");
        fs::remove(standard);
        EXPECT_EQ(RunSelfTest(L"").ExitCode, 0u);
        EXPECT_EQ(test::ReadFileBytes(standard), test::ReadFileBytes(report)) << "the temporary folder by default";
        fs::remove(standard);
    }
    {
        SCOPED_TRACE("DISM lists nothing: the report says so and the test fails");
        EXPECT_EQ(RunSelfTest(L" \"" + report.wstring() + L"\"").ExitCode, 2u);
        EXPECT_EQ(test::ReadFileBytes(report), "\xEF\xBB\xBFStatus=OK\r\nDriverCount=0\r\n") << "replaced whole";
    }
    {
        SCOPED_TRACE("without the DISM API the self-test explains itself in a message box");
        const fs::path program = folder.Path() / L"Quillbay.exe";
        fs::copy_file(test::BinFolder() / L"Quillbay.exe", program);
        test::RunningProcess running(program, L"--self-test \"" + report.wstring() + L"\"");
        ASSERT_TRUE(running.Started());
        const HWND box = test::WaitForProcessWindow(running.ProcessId(), L"Quillbay", L"#32770");
        const std::wstring text = box ? test::MessageBoxText(box) : std::wstring();
        if (box) ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        const test::ProcessResult result = running.Finish();
        EXPECT_EQ(result.ExitCode, 2u);
        EXPECT_EQ(text.rfind(L"Не найдена DismApi.dll.", 0), 0u) << text;
        EXPECT_NE(text.find(L"\r\nЖурнал: " + TempFilePath(L"Quillbay.log")), std::wstring::npos) << text;
        EXPECT_EQ(test::ReadFileBytes(report), "\xEF\xBB\xBFStatus=OK\r\nDriverCount=0\r\n") << "no report written";
    }
    {
        SCOPED_TRACE("a report in a folder that does not exist");
        const fs::path nowhere = folder.Path() / L"missing" / L"report.txt";
        const test::LogTail log;
        EXPECT_EQ(RunSelfTest(L" " + nowhere.wstring()).ExitCode, 2u);
        EXPECT_FALSE(fs::exists(nowhere));
        const std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(WideToUtf8(nowhere.wstring())), std::string::npos) << lines[0];
    }
}
