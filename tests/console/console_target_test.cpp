// --target: every command that reads a Windows works on an offline one under a
// root folder, as the window's target box does.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "console_log.h"
#include "console_run.h"
#include "core/text_encoding.h"
#include "sample_windows.h"
#include "seeded_sample.h"
#include "test_support.h"
#include "tests/operations/seven_zip_on_path.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;
using test::Utf8Text;
using testing::ElementsAre;

namespace {

test::ProcessResult RunQuillbay(const std::wstring& arguments) {
    return test::RunProgram(test::BinFolder() / L"Quillbay.exe", arguments);
}

bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

}  // namespace

TEST(ConsoleTargetE2E, EveryReadingCommandWorksOnAnOfflineWindows) {
    test::StoredLanguage language;
    ASSERT_TRUE(language.Set(1));
    const test::TempFolder folder;
    const std::wstring root = (folder.Path() / L"offline").wstring() + L"\\";
    // Its devices use the newest versions: the sample's old versions are the candidates.
    const sim::FixtureWindows windows = sim::SampleDemoOfflineWindows();
    std::wstring error;
    ASSERT_TRUE(sim::BuildWindowsRoot(windows, root, error)) << error;
    // No backslash before the closing quote: the split of the command line would take the quote as text.
    const std::wstring target = L" --target \"" + (folder.Path() / L"offline").wstring() + L"\"";
    const std::size_t packageCount = windows.Packages.size();
    {
        SCOPED_TRACE("list reads the offline packages, not the running ones");
        const test::ProcessResult json = RunQuillbay(L"list --format json" + target);
        EXPECT_EQ(json.ExitCode, 0u) << json.StdErr;
        EXPECT_EQ(json.StdErr, "");
        EXPECT_EQ(CountOf(json.StdOut, "\"Online\": false"), 1u);
        EXPECT_EQ(CountOf(json.StdOut, "\"PublishedName\": "), packageCount);
        EXPECT_EQ(CountOf(json.StdOut, "\"Verdict\": \"ConfirmedReplacement\""), 3u);
        EXPECT_EQ(CountOf(json.StdOut, "\"Running\": "), 0u) << "an offline Windows has no running devices";

        const test::SeededSample devices(test::SeededSample::Content::DevicesOnly);
        const test::ProcessResult running = RunQuillbay(L"list --format json --target C:");
        EXPECT_EQ(CountOf(running.StdOut, "\"Online\": true"), 1u) << "the running Windows' own root is the running Windows";
    }
    {
        SCOPED_TRACE("cleanup-preview");
        const test::ProcessResult preview = RunQuillbay(L"cleanup-preview" + target);
        EXPECT_EQ(preview.ExitCode, 0u);
        EXPECT_EQ(preview.StdErr, "");
        const std::vector<std::string> lines = test::CrLfLines(preview.StdOut);
        EXPECT_TRUE(HasLineStartingWith(lines, Utf8Text(139) + "3"));
        for (const char* candidate : {"  oem1.inf | ", "  oem3.inf | ", "  oem7.inf | "})
            EXPECT_TRUE(HasLineStartingWith(lines, candidate)) << candidate;
    }
    {
        SCOPED_TRACE("backup");
        const test::SevenZipOnPath sevenZip;
        const fs::path archive = folder.Path() / L"offline.7z";
        const test::ProcessResult backup = RunQuillbay(L"backup \"" + archive.wstring() + L"\"" + target);
        EXPECT_EQ(backup.ExitCode, 0u) << backup.StdErr;
        const std::string count = std::to_string(packageCount);
        EXPECT_THAT(test::CrLfLines(backup.StdOut),
                    ElementsAre(Utf8Text(95), Utf8Text(136) + count, Utf8Text(135) + count, Utf8Text(145) + "0",
                                WideToUtf8(archive.wstring()), ""));
    }
    const auto published = [&root](const wchar_t* name) { return fs::path(root) / L"Windows\\INF" / name; };
    {
        SCOPED_TRACE("cleanup refuses a hibernated Windows");
        ASSERT_TRUE(sim::WriteHibernationFile(root, "HIBR", error)) << error;
        const test::LogTail log;
        const test::ProcessResult refused = RunQuillbay(L"cleanup" + target);
        EXPECT_EQ(refused.ExitCode, 4u);
        EXPECT_EQ(refused.StdErr, "ERROR: " + Utf8Text(261) + "\r\n");
        EXPECT_FALSE(HasLineStartingWith(test::CrLfLines(refused.StdOut), Utf8Text(141)));
        EXPECT_TRUE(fs::exists(published(L"oem1.inf")));
        ASSERT_TRUE(sim::WriteHibernationFile(root, "wake", error)) << error;
    }
    {
        SCOPED_TRACE("cleanup removes through DISM");
        const test::ProcessResult cleanup = RunQuillbay(L"cleanup" + target);
        EXPECT_EQ(cleanup.ExitCode, 0u) << cleanup.StdErr;
        EXPECT_EQ(cleanup.StdErr, "");
        const std::vector<std::string> lines = test::CrLfLines(cleanup.StdOut);
        EXPECT_TRUE(HasLineStartingWith(lines, Utf8Text(144) + "3"));
        for (const wchar_t* name : {L"oem1.inf", L"oem3.inf", L"oem7.inf"})
            EXPECT_FALSE(fs::exists(published(name))) << WideToUtf8(name);
        for (const wchar_t* name : {L"oem11.inf", L"oem12.inf"}) EXPECT_TRUE(fs::exists(published(name)));
    }
    {
        SCOPED_TRACE("a folder without Windows");
        const std::wstring empty = folder.Path().wstring();
        for (const wchar_t* command : {L"list", L"cleanup-preview", L"cleanup", L"backup x.7z"}) {
            const test::ProcessResult result = RunQuillbay(std::wstring(command) + L" --target \"" + empty + L"\"");
            EXPECT_EQ(result.ExitCode, 2u) << WideToUtf8(command);
            EXPECT_EQ(result.StdOut, "");
            EXPECT_EQ(result.StdErr, "ERROR: " + WideToUtf8(empty) + ": " + Utf8Text(113) + "\r\n");
        }
    }
}
