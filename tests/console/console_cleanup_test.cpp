// cleanup-preview and cleanup on the sample installation: Quillbay.exe run as a
// script runs it, and the removal loop run in this process where Wine cannot
// make the real one fail.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "analysis/system_error_text.h"
#include "console/console_cleanup.h"
#include "console/console_output.h"
#include "console_log.h"
#include "console_run.h"
#include "core/event_log.h"
#include "core/text_encoding.h"
#include "core/unique_handle.h"
#include "operations/oem_uninstall.h"
#include "seeded_sample.h"
#include "test_support.h"

namespace fs = std::filesystem;
using test::SeededSample;
using test::Utf8Text;
using testing::ElementsAreArray;

namespace {

test::ProcessResult RunQuillbay(const std::wstring& arguments) {
    return test::RunProgram(test::BinFolder() / L"Quillbay.exe", arguments);
}

std::string CandidateLine(const SeededSample& sample, const wchar_t* old, const char* oldText,
                          const char* replacement) {
    return std::string("  ") + WideToUtf8(old) + " | " + oldText + " | " +
           test::Megabytes(SeededSample::StoreSize(sample.Package(old))) + "  ->  " + replacement;
}

// An older display driver that the newest one covers only in part: a possible
// replacement, which the console shows but does not select.
sim::FixturePackage PartlyCoveredDisplayDriver() {
    sim::FixturePackage package = sim::SampleDemoWindows().Packages[2];
    package.PublishedName = L"oem16.inf";
    package.Date = {2019, 5, 1};
    package.Version = L"26.20.100.7000";
    package.Models = {{L"NTamd64", {L"PCI\\VEN_1F3A&DEV_7A30", L"PCI\\VEN_1F3A&DEV_7A99"}}};
    return package;
}

std::string PossibleReplacementLine() {
    return "oem16.inf: " + Utf8Text(193) + ": qtgfx.inf (oem12.inf); " + Utf8Text(8) + "31.0.101.4502";
}

// Everything cleanup-preview writes for the sample, which is also how cleanup begins.
std::vector<std::string> PreviewLines(const SeededSample& sample) {
    const std::uint64_t total = SeededSample::StoreSize(sample.Package(L"oem1.inf")) +
                                SeededSample::StoreSize(sample.Package(L"oem3.inf")) +
                                SeededSample::StoreSize(sample.Package(L"oem7.inf"));
    return {Utf8Text(95),
            Utf8Text(100),
            PossibleReplacementLine(),
            Utf8Text(139) + "3",
            CandidateLine(sample, L"oem1.inf", "brwnet.inf | 12.19.1.37 | 2021-03-04",
                          "oem11.inf | brwnet.inf | 12.19.2.45"),
            CandidateLine(sample, L"oem3.inf", "qtgfx.inf | 27.20.100.8681 | 2020-07-15",
                          "oem12.inf | qtgfx.inf | 31.0.101.4502"),
            CandidateLine(sample, L"oem7.inf", "qtgfx.inf | 30.0.101.1340 | 2022-01-20",
                          "oem12.inf | qtgfx.inf | 31.0.101.4502"),
            Utf8Text(180) + test::Megabytes(total)};
}

std::string SummaryLine(const SeededSample& sample, const wchar_t* published, const char* names, const char* rest) {
    return std::string(names) + "; версия " + rest + "; размер " +
           test::Megabytes(SeededSample::StoreSize(sample.Package(published)));
}

std::vector<std::string> VerdictLogLines() {
    const std::string associated = Utf8Text(188);
    const std::string latest = Utf8Text(192);
    const std::string protectedPackage = Utf8Text(190);
    const std::string byDisplay = Utf8Text(194) + ": qtgfx.inf (oem12.inf); " + Utf8Text(8) + "31.0.101.4502";
    return {"oem1.inf: " + Utf8Text(194) + ": brwnet.inf (oem11.inf); " + Utf8Text(8) + "12.19.2.45",
            "oem2.inf: " + associated,
            "oem3.inf: " + byDisplay,
            "oem4.inf: " + protectedPackage,
            "oem5.inf: " + associated,
            "oem7.inf: " + byDisplay,
            "oem8.inf: " + latest,
            "oem10.inf: " + latest,
            "oem11.inf: " + associated,
            "oem12.inf: " + associated,
            "oem14.inf: " + latest,
            "oem15.inf: " + protectedPackage,
            PossibleReplacementLine()};
}

std::vector<std::string> CandidateLogLines(const SeededSample& sample) {
    const std::string display =
        SummaryLine(sample, L"oem12.inf", "qtgfx.inf (oem12.inf)", "31.0.101.4502; дата 2023-06-12");
    return {"Консольный кандидат на удаление: " +
                SummaryLine(sample, L"oem1.inf", "brwnet.inf (oem1.inf)", "12.19.1.37; дата 2021-03-04") +
                "; замена: " +
                SummaryLine(sample, L"oem11.inf", "brwnet.inf (oem11.inf)", "12.19.2.45; дата 2022-05-09"),
            "Консольный кандидат на удаление: " +
                SummaryLine(sample, L"oem3.inf", "qtgfx.inf (oem3.inf)", "27.20.100.8681; дата 2020-07-15") +
                "; замена: " + display,
            "Консольный кандидат на удаление: " +
                SummaryLine(sample, L"oem7.inf", "qtgfx.inf (oem7.inf)", "30.0.101.1340; дата 2022-01-20") +
                "; замена: " + display};
}

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

template <typename T>
std::vector<T> Joined(std::vector<T> first, const std::vector<T>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const std::regex kFreeSpaceChange("-?[0-9]+\\.[0-9]{2} MB");

// The last `count` lines of a removal run, its free-space line (the one after
// the error count) checked and replaced by "<size>".
std::vector<std::string> RemovalTail(const std::vector<std::string>& lines, std::size_t count) {
    EXPECT_GE(lines.size(), count);
    if (lines.size() < count) return {};
    std::vector<std::string> tail(lines.end() - static_cast<std::ptrdiff_t>(count), lines.end());
    const auto errors = std::find_if(tail.begin(), tail.end(),
                                     [](const std::string& line) { return line.rfind(Utf8Text(145), 0) == 0; });
    if (errors == tail.end() || errors + 1 == tail.end()) return tail;
    std::string& size = *(errors + 1);
    const std::string label = Utf8Text(179);
    EXPECT_EQ(size.rfind(label, 0), 0u) << "Wine measures free space before and after";
    EXPECT_TRUE(std::regex_match(size.substr(std::min(size.size(), label.size())), kFreeSpaceChange)) << size;
    size = "<size>";
    return tail;
}

}  // namespace

TEST(ConsoleCleanupE2E, SampleOldVersionsAreListedLoggedAndRemovedWithoutForce) {
    test::StoredLanguage language;
    ASSERT_TRUE(language.Set(1));
    SeededSample sample(SeededSample::Content::PackagesAndDevices, {PartlyCoveredDisplayDriver()});
    {
        SCOPED_TRACE("cleanup-preview");
        const test::LogTail log;
        const test::ProcessResult preview = RunQuillbay(L"cleanup-preview");
        EXPECT_EQ(preview.ExitCode, 0u);
        EXPECT_EQ(preview.StdErr, "");
        EXPECT_THAT(test::CrLfLines(preview.StdOut), ElementsAreArray(Joined(PreviewLines(sample), {""})));
        EXPECT_THAT(log.Lines(), ElementsAreArray(Joined(VerdictLogLines(), CandidateLogLines(sample))));
    }
    {
        // Wine's SetupUninstallOEMInfW without SUOI_FORCEDELETE deletes nothing and
        // reports success, so this run shows the removal loop, its counts and its
        // log lines, and that no package was forced out of the store; the failing
        // removals are covered in-process below.
        SCOPED_TRACE("cleanup");
        const test::LogTail log;
        const test::ProcessResult cleanup = RunQuillbay(L"cleanup");
        EXPECT_EQ(cleanup.ExitCode, 0u);
        EXPECT_EQ(cleanup.StdErr, "");
        const std::vector<std::string> lines = test::CrLfLines(cleanup.StdOut);
        const std::size_t previewCount = PreviewLines(sample).size();
        ASSERT_GT(lines.size(), previewCount);
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + previewCount), PreviewLines(sample));
        EXPECT_THAT(RemovalTail(lines, lines.size() - previewCount),
                    ElementsAreArray(std::vector<std::string>{Utf8Text(141) + "oem1.inf", Utf8Text(141) + "oem3.inf",
                                                              Utf8Text(141) + "oem7.inf", "", Utf8Text(144) + "3",
                                                              Utf8Text(145) + "0", "<size>", ""}));
        const std::string removed = "Удалён устаревший пакет из консоли: ";
        EXPECT_THAT(log.Lines(), ElementsAreArray(Joined(
                                     Joined(VerdictLogLines(), CandidateLogLines(sample)),
                                     {removed + SummaryLine(sample, L"oem1.inf", "brwnet.inf (oem1.inf)",
                                                            "12.19.1.37; дата 2021-03-04"),
                                      removed + SummaryLine(sample, L"oem3.inf", "qtgfx.inf (oem3.inf)",
                                                            "27.20.100.8681; дата 2020-07-15"),
                                      removed + SummaryLine(sample, L"oem7.inf", "qtgfx.inf (oem7.inf)",
                                                            "30.0.101.1340; дата 2022-01-20")})));
        for (const wchar_t* name : {L"oem1.inf", L"oem3.inf", L"oem7.inf"})
            EXPECT_TRUE(fs::exists(SeededSample::PublishedInf(sample.Package(name)))) << "removed without force";
    }
}

// "list" reaches the verdicts cleanup-preview logs, in each format; the JSON and
// CSV are read by real parsers in the host-side check.
TEST(ConsoleCleanupE2E, ListGivesEveryPackageWithItsVerdictInEachFormat) {
    test::StoredLanguage language;
    ASSERT_TRUE(language.Set(1));
    SeededSample sample(SeededSample::Content::PackagesAndDevices, {PartlyCoveredDisplayDriver()});
    const std::vector<std::string> verdicts = VerdictLogLines();
    {
        SCOPED_TRACE("text");
        const test::ProcessResult text = RunQuillbay(L"list");
        EXPECT_EQ(text.ExitCode, 0u);
        EXPECT_EQ(text.StdErr, "");
        std::vector<std::string> lines = test::CrLfLines(text.StdOut);
        ASSERT_EQ(lines.size(), verdicts.size() + 1);
        EXPECT_EQ(lines.back(), "");
        lines.pop_back();
        // One line per package: its name, the columns aligned, its verdict last.
        std::size_t infColumn = std::string::npos;
        for (const std::string& verdict : verdicts) {
            const std::string name = verdict.substr(0, verdict.find(':'));
            const std::string reason = verdict.substr(name.size() + 2);
            const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& candidate) {
                return candidate.rfind(name + " ", 0) == 0;
            });
            ASSERT_NE(line, lines.end()) << name;
            EXPECT_EQ(line->substr(line->size() - std::min(line->size(), reason.size())), reason) << *line;
            const std::size_t inf = line->find_first_not_of(' ', name.size());
            if (infColumn == std::string::npos) infColumn = inf;
            EXPECT_EQ(inf, infColumn) << *line;
        }
    }
    const test::TempFolder folder;
    {
        SCOPED_TRACE("json on the stream and csv into a file");
        const test::ProcessResult json = RunQuillbay(L"list --format json");
        EXPECT_EQ(json.ExitCode, 0u);
        EXPECT_EQ(json.StdErr, "");
        EXPECT_EQ(json.StdOut.rfind("{\r\n  \"FormatVersion\": 1,\r\n", 0), 0u) << "no byte-order mark";
        const auto count = [&](const std::string& part) { return CountOf(json.StdOut, part); };
        EXPECT_EQ(count("\"PublishedName\": "), verdicts.size());
        EXPECT_EQ(count("\"Verdict\": \"ConfirmedReplacement\""), 3u);
        EXPECT_EQ(count("\"Verdict\": \"PossibleReplacement\""), 1u);
        EXPECT_EQ(count("\"Replacement\": \"oem12.inf\""), 3u) << "oem3.inf, oem7.inf and the partly covered oem16.inf";
        EXPECT_GT(count("\"Running\": true"), 0u);

        const fs::path csvPath = folder.Path() / L"inventory.csv";
        const test::ProcessResult csv = RunQuillbay(L"LIST --output \"" + csvPath.wstring() + L"\" --format csv");
        EXPECT_EQ(csv.ExitCode, 0u);
        EXPECT_EQ(csv.StdOut, "");
        EXPECT_EQ(csv.StdErr, "");
        const std::vector<std::string> rows = test::CrLfLines(test::ReadFileBytes(csvPath));
        ASSERT_EQ(rows.size(), verdicts.size() + 2);
        EXPECT_EQ(rows.front().rfind("\xEF\xBB\xBF\"PublishedName\",\"OriginalInfName\",", 0), 0u) << rows.front();

        const fs::path jsonPath = folder.Path() / L"inventory.json";
        EXPECT_EQ(RunQuillbay(L"list --format json --output \"" + jsonPath.wstring() + L"\"").ExitCode, 0u);
        EXPECT_EQ(test::ReadFileBytes(jsonPath).rfind("{\r\n", 0), 0u) << "JSON has no byte-order mark in a file either";
    }
    {
        SCOPED_TRACE("a file in a folder that does not exist");
        const fs::path missing = folder.Path() / L"missing" / L"inventory.json";
        const test::LogTail log;
        const test::ProcessResult result = RunQuillbay(L"list --format json --output \"" + missing.wstring() + L"\"");
        EXPECT_EQ(result.ExitCode, 2u);
        EXPECT_EQ(result.StdOut, "");
        EXPECT_EQ(result.StdErr, "ERROR: " + Utf8Text(269) + WideToUtf8(missing.wstring()) + "\r\n");
        EXPECT_FALSE(fs::exists(missing.parent_path()));
        EXPECT_THAT(log.Lines(), ElementsAreArray({WideToUtf8(L"Не удалось создать файл: " + missing.wstring())}));
    }
}

TEST(ConsoleCleanupE2E, UnreadableBindingsEndTheRunAndNothingOldIsNoCandidate) {
    test::StoredLanguage language;
    ASSERT_TRUE(language.Set(1));
    {
        SCOPED_TRACE("no device of the prefix reports a driver");
        SeededSample sample(SeededSample::Content::PackagesOnly);
        const test::LogTail log;
        const test::ProcessResult result = RunQuillbay(L"cleanup");
        const std::string error = WideToUtf8(
            L"Windows не вернула ни одного драйвера установленных устройств. Выбор устаревших пакетов отменён для "
            L"безопасности.");
        EXPECT_EQ(result.ExitCode, 4u);
        EXPECT_EQ(result.StdOut, Utf8Text(95) + "\r\n" + Utf8Text(100) + "\r\n");
        EXPECT_EQ(result.StdErr, "ERROR: " + error + "\r\n");
        EXPECT_THAT(log.Lines(), ElementsAreArray({WideToUtf8(L"Консольная очистка отменена: ") + error}));
    }
    {
        SCOPED_TRACE("devices but no third-party package");
        SeededSample sample(SeededSample::Content::DevicesOnly);
        const test::LogTail log;
        const test::ProcessResult result = RunQuillbay(L"cleanup");
        EXPECT_EQ(result.ExitCode, 0u);
        EXPECT_EQ(result.StdOut, Utf8Text(95) + "\r\n" + Utf8Text(100) + "\r\n" + Utf8Text(101) + "\r\n");
        EXPECT_EQ(result.StdErr, "");
        EXPECT_TRUE(log.Lines().empty());
    }
}

// Wine cannot make the unforced removal fail, so the console's removal loop runs
// here with forced removal, which Wine performs: it deletes the published INF, and
// fails with a sharing violation while this test holds that file open.
TEST(ConsoleCleanup, FailedRemovalsAreCountedReportedAndSetTheExitCode) {
    SeededSample sample;
    ConsoleState state;
    state.Language = 1;
    state.LogPath = TempFilePath(L"Quillbay.log");
    std::wstring error;
    ASSERT_TRUE(state.Dism.Initialize(TempFilePath(L"Quillbay-DISM.log"), error)) << error;
    const auto forced = [](const DriverPackage& package, std::wstring& text) {
        return UninstallOemPackage(package, true, text);
    };
    const test::TempFolder folder;
    const fs::path output = folder.Path() / L"Quillbay-console-output.tmp";
    const auto run = [&] {
        test::WriteFileBytes(output, "");
        std::wstring refusal;
        EXPECT_TRUE(UseRelayFile(output.wstring(), refusal)) << refusal;
        const int code = RunConsoleCleanup(state, true, forced);
        EXPECT_TRUE(UseRelayFile(L"", refusal));
        const std::vector<std::string> lines = test::CrLfLines(test::ReadFileBytes(output));
        fs::remove(output);
        return std::make_pair(code, lines);
    };
    const auto hold = [&](const wchar_t* name) {
        return FileHandle(::CreateFileW(SeededSample::PublishedInf(sample.Package(name)).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    };
    const std::string busy = "ERROR: oem3.inf: SetupUninstallOEMInf(oem3.inf): " + WideToUtf8(FormatSystemError(ERROR_SHARING_VIOLATION));
    const std::string pointer = "Log: " + WideToUtf8(state.LogPath);
    {
        SCOPED_TRACE("the relaying caller has ended: nothing is removed, as in a cancelled run");
        state.Caller.reset(::CreateEventW(nullptr, TRUE, TRUE, nullptr));  // signalled, as an ended process is
        const test::LogTail log;
        const auto [code, lines] = run();
        state.Caller.reset();
        EXPECT_EQ(code, 0);
        EXPECT_THAT(RemovalTail(lines, 5), ElementsAreArray(std::vector<std::string>{
                                               "", Utf8Text(144) + "0", Utf8Text(145) + "0", "<size>", ""}));
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) { return line.rfind(Utf8Text(141), 0) == 0; }),
                  0);
        const std::vector<std::string> logged = log.Lines();
        ASSERT_FALSE(logged.empty());
        EXPECT_EQ(logged.back(), WideToUtf8(L"Команда остановлена: вызвавший её процесс завершился."));
        EXPECT_TRUE(fs::exists(SeededSample::PublishedInf(sample.Package(L"oem1.inf"))));
    }
    {
        SCOPED_TRACE("one of three fails: partial completion");
        const FileHandle held = hold(L"oem3.inf");
        ASSERT_TRUE(held);
        const test::LogTail log;
        const auto [code, lines] = run();
        EXPECT_EQ(code, 3);
        EXPECT_THAT(RemovalTail(lines, 10),
                    ElementsAreArray(std::vector<std::string>{
                        Utf8Text(141) + "oem1.inf", Utf8Text(141) + "oem3.inf", busy, Utf8Text(141) + "oem7.inf", "",
                        Utf8Text(144) + "2", Utf8Text(145) + "1", "<size>", pointer, ""}));
        const std::vector<std::string> logged = log.Lines();
        ASSERT_FALSE(logged.empty());
        EXPECT_EQ(logged[logged.size() - 2],
                  WideToUtf8(L"Не удалось удалить qtgfx.inf (oem3.inf): ") + busy.substr(17));
        EXPECT_FALSE(fs::exists(SeededSample::PublishedInf(sample.Package(L"oem1.inf"))));
        EXPECT_TRUE(fs::exists(SeededSample::PublishedInf(sample.Package(L"oem3.inf"))));
    }
    {
        SCOPED_TRACE("the only candidate left fails: nothing done");
        const FileHandle held = hold(L"oem3.inf");
        const auto [code, lines] = run();
        EXPECT_EQ(code, 4);
        EXPECT_THAT(RemovalTail(lines, 8),
                    ElementsAreArray(std::vector<std::string>{Utf8Text(141) + "oem3.inf", busy, "",
                                                              Utf8Text(144) + "0", Utf8Text(145) + "1", "<size>",
                                                              pointer, ""}));
        ASSERT_GE(lines.size(), 9u);
        EXPECT_EQ(lines[lines.size() - 9], Utf8Text(180) + test::Megabytes(SeededSample::StoreSize(
                                                                 sample.Package(L"oem3.inf"))))
            << "oem1 and oem7 are gone, so oem3 is the only candidate";
    }
    EXPECT_FALSE(UninstallOemPackage(DriverPackage{}, true, error)) << "no name, no call that could hit the INF folder";
    EXPECT_EQ(error, L"Не задано опубликованное имя OEM INF.");
}
