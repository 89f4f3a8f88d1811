// Quillbay.exe as a script runs it: output redirected to files, exit codes read.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "console/console_output.h"
#include "console_run.h"
#include "core/event_log.h"
#include "core/localized_text.h"
#include "core/text_encoding.h"
#include "core/usage_text.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

test::ProcessResult RunQuillbay(const std::wstring& arguments,
                                const fs::path& program = test::BinFolder() / L"Quillbay.exe") {
    return test::RunProgram(program, arguments);
}

}  // namespace

// One test: the stored language is shared by every process of the prefix.
TEST(ConsoleE2E, HelpAndErrorsAreWrittenAsUtf8InTheStoredLanguage) {
    test::StoredLanguage language;
    ASSERT_TRUE(language.Set(1));
    const test::ProcessResult help = RunQuillbay(L"HELP");
    ASSERT_TRUE(help.Started);
    EXPECT_EQ(help.ExitCode, 0u);
    EXPECT_EQ(help.StdErr, "");
    EXPECT_NE(help.StdOut.rfind("\xEF\xBB\xBF", 0), 0u) << "no byte-order mark";

    const std::vector<std::string> lines = test::CrLfLines(help.StdOut);
    using test::Utf8Text;
    const std::vector<std::string> expected = {"Quillbay 1.14.19", "", Utf8Text(154), "", "Quillbay.exe",
                                               "    " + Utf8Text(155), "",
                                               "Quillbay.exe backup \"D:\\Backups\\Drivers.7z\"",
                                               "    " + Utf8Text(156), "", "Quillbay.exe cleanup-preview",
                                               "    " + Utf8Text(157), "", "Quillbay.exe cleanup",
                                               "    " + Utf8Text(158), "",
                                               "Quillbay.exe list [--format text|csv|json] [--output FILE]",
                                               "    " + Utf8Text(268), "",
                                               "Quillbay.exe cleanup-preview --target D:\\", "    " + Utf8Text(270), "",
                                               "Quillbay.exe help | --help | /?",
                                               "    " + Utf8Text(159), "", Utf8Text(160), Utf8Text(161), ""};
    ASSERT_GE(lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << "line " << i;
    EXPECT_EQ(help.StdOut.substr(help.StdOut.size() - 2), "\r\n");
    EXPECT_EQ(help.StdOut, WideToUtf8(L"Quillbay 1.14.19\r\n\r\n" + BuildUsageText(1) + L"\r\n"));

    for (DWORD id = 0; id < kLanguageCount; ++id) {
        ASSERT_TRUE(language.Set(id));
        const test::ProcessResult localized = RunQuillbay(L"/?");
        EXPECT_EQ(localized.ExitCode, 0u);
        EXPECT_EQ(localized.StdOut, WideToUtf8(L"Quillbay 1.14.19\r\n\r\n" + BuildUsageText(id) + L"\r\n"))
            << "language " << id;
    }
    ASSERT_TRUE(language.Set(8));
    const test::ProcessResult outOfRange = RunQuillbay(L"--help");
    EXPECT_EQ(outOfRange.ExitCode, 0u);
    EXPECT_NE(outOfRange.StdOut.find("Quillbay.exe cleanup-preview"), std::string::npos);

    {
        SCOPED_TRACE("the stored language wins only when it is a DWORD below 8");
        const LangId fromInterface = LanguageForPrimaryLanguage(PRIMARYLANGID(::GetUserDefaultUILanguage()));
        ASSERT_TRUE(language.Set(6));
        EXPECT_EQ(ResolveLanguage(), 6u);
        ASSERT_TRUE(language.Set(0));
        EXPECT_EQ(ResolveLanguage(), 0u);
        ASSERT_TRUE(language.Set(8));
        EXPECT_EQ(ResolveLanguage(), fromInterface);
        const wchar_t text[] = L"3";
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"Language", REG_SZ, text, sizeof(text)),
                  ERROR_SUCCESS);
        EXPECT_EQ(ResolveLanguage(), fromInterface) << "a string value counts as missing";
    }

    SCOPED_TRACE("invalid commands name the word, then show the help, and exit with 2");
    ASSERT_TRUE(language.Set(1));
    const std::string helpText = RunQuillbay(L"help").StdOut;

    struct Case {
        const wchar_t* arguments;
        const char* word;
    };
    const Case cases[] = {{L"help help", "help"},
                          {L"backup", "backup"},
                          {L"backup \"   \"", "backup"},
                          {L"--console-relay", "--console-relay"},
                          {L"cleanup --console-relay \"C:\\windows\\Quillbay-console-1-1.tmp\"", "--console-relay"},
                          {L"uninstall-everything", "uninstall-everything"}};
    for (const Case& c : cases) {
        const test::ProcessResult result = RunQuillbay(c.arguments);
        EXPECT_EQ(result.ExitCode, 2u) << c.word;
        EXPECT_EQ(result.StdErr, test::Utf8Text(163) + c.word + "\r\n");
        EXPECT_EQ(result.StdOut, "\r\n" + helpText) << "an empty line, then the help";
    }
}

// Serial with the start-up test, which puts a DismApi.dll into System32 for a while.
TEST(ConsoleE2E, CommandsNeedTheDismApi) {
    test::TempFolder alone;
    const fs::path program = alone.Path() / L"Quillbay.exe";
    fs::copy_file(test::BinFolder() / L"Quillbay.exe", program);

    for (const wchar_t* command : {L"cleanup-preview", L"cleanup --elevation-relaunch", L"backup D:\\x"}) {
        const test::ProcessResult result = RunQuillbay(command, program);
        EXPECT_EQ(result.ExitCode, 4u) << command;
        const std::string logPath = WideToUtf8(TempFilePath(L"Quillbay.log"));
        EXPECT_EQ(result.StdErr,
                  "ERROR: " + WideToUtf8(L"Не найдена DismApi.dll. Добавьте компонент DISM в образ Windows PE.") +
                      "\r\nLog: " + logPath + "\r\n")
            << command;
        EXPECT_EQ(result.StdOut, "");
    }
    const test::ProcessResult help = RunQuillbay(L"help", program);
    EXPECT_EQ(help.ExitCode, 0u) << "help never touches DISM";
}

// Redirected streams never see the progress line (the runs above compare them
// byte for byte); on a console it keeps to one row.
TEST(ConsoleOutput, ProgressLineShowsThePercentAndNeverWraps) {
    struct Case {
        int percent;
        const wchar_t* text;
        std::size_t width;
        const wchar_t* line;
    };
    const Case cases[] = {
        {0, L"oem1.inf", 80, L"[  0%] oem1.inf"},
        {42, L"oem12.inf", 80, L"[ 42%] oem12.inf"},
        {100, L"x", 80, L"[100%] x"},
        {130, L"x", 80, L"[100%] x"},
        {-1, L"Packing", 80, L"Packing"},
        {7, L"abcdefgh", 12, L"[  7%] abcd"},
        {7, L"abc", 1, L""},
        {7, L"abc", 0, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatProgressLine(c.percent, c.text, c.width), c.line) << c.percent << " " << c.width;
}
