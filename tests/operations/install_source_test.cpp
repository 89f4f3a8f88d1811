// Scanning install sources: which files count as INFs, the size each record
// gets, archives unpacked by the real 7-Zip into the temporary folder, and what
// may be deleted when the extraction is discarded.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "operations/install_source.h"
#include "operations/seven_zip_archive.h"
#include "seven_zip_on_path.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr LangId kEnglish = 1;

const std::string kInf =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Net\r\nProvider=Quelltide\r\n"
    "DriverVer=01/02/2020,1.2.3.4\r\n";

// drivers\a holds x.inf and y.INF, drivers\b holds z.inf, beside files that are no INFs.
// Returns the byte counts of a and b, subfolders included.
std::pair<std::uint64_t, std::uint64_t> WriteDrivers(const fs::path& drivers) {
    fs::create_directories(drivers / L"a" / L"sub");
    fs::create_directories(drivers / L"b");
    const std::vector<std::pair<fs::path, std::string>> files{{L"a\\x.inf", kInf},
                                                              {L"a\\y.INF", kInf},
                                                              {L"a\\x.inf.bak", "old"},
                                                              {L"a\\x.inx", "source"},
                                                              {L"a\\sub\\drv.sys", std::string(5000, 'd')},
                                                              {L"b\\z.inf", kInf + "\r\n"},
                                                              {L"b\\.inf", "no name"}};
    std::uint64_t a = 0, b = 0;
    for (const auto& [path, bytes] : files) {
        test::WriteFileBytes(drivers / path, bytes);
        (path.wstring()[0] == L'a' ? a : b) += bytes.size();
    }
    return {a, b};
}

struct Scanner {
    std::vector<std::pair<std::wstring, int>> Progress;
    bool CancelNow = false;
    std::function<void(const std::wstring&)> OnProgress;
    std::wstring Extraction;
    InstallSourceScan Result;

    void Scan(const std::wstring& source, bool isArchive) {
        Progress.clear();
        OperationCallbacks callbacks;
        callbacks.Progress = [this](const std::wstring& text, int percent) {
            Progress.emplace_back(text, percent);
            if (OnProgress) OnProgress(text);
        };
        callbacks.Cancelled = [this] { return CancelNow; };
        ScanInstallSource(source, isArchive, kEnglish, callbacks, Extraction, Result);
    }
    // File names of the records, sorted, with their sizes.
    std::vector<std::pair<std::wstring, std::uint64_t>> Records() const {
        std::vector<std::pair<std::wstring, std::uint64_t>> records;
        for (const DriverPackage& package : Result.Packages)
            records.emplace_back(fs::path(package.InfPath).filename().wstring(), package.SizeBytes);
        std::sort(records.begin(), records.end());
        return records;
    }
};

}  // namespace

TEST(InstallSourceScan, ReadsEveryInfOfAFolderWithTheSizeOfItsFolder) {
    test::TempFolder temp(L"qbsource");
    const fs::path drivers = temp.Path() / L"драйверы";
    const auto [sizeA, sizeB] = WriteDrivers(drivers);

    Scanner scanner;
    scanner.Scan(drivers.wstring(), false);
    ASSERT_TRUE(scanner.Result.Done) << scanner.Result.Error;
    EXPECT_EQ(scanner.Records(), (std::vector<std::pair<std::wstring, std::uint64_t>>{
                                     {L"x.inf", sizeA}, {L"y.INF", sizeA}, {L"z.inf", sizeB}}));
    EXPECT_EQ(scanner.Result.Packages[0].Version, L"1.2.3.4") << "read by the INF reader";
    EXPECT_EQ(scanner.Progress, (std::vector<std::pair<std::wstring, int>>{{L"Searching for INF files…", -1},
                                                                           {L"INF files read: 1 / 3", 33},
                                                                           {L"INF files read: 2 / 3", 66},
                                                                           {L"INF files read: 3 / 3", 100}}));
    EXPECT_TRUE(scanner.Extraction.empty());

    scanner.Scan((drivers / L"нет").wstring(), false);
    EXPECT_FALSE(scanner.Result.Done);
    EXPECT_EQ(scanner.Result.Error, L"The specified folder does not exist.");
    EXPECT_TRUE(scanner.Result.Packages.empty()) << "the previous list is not kept";

    // Cancelled before the walk, and between two INFs.
    scanner.CancelNow = true;
    EXPECT_THROW(scanner.Scan(drivers.wstring(), false), OperationCancelled);
    scanner.CancelNow = false;
    scanner.OnProgress = [&](const std::wstring& text) { scanner.CancelNow = text == L"INF files read: 1 / 3"; };
    EXPECT_THROW(scanner.Scan(drivers.wstring(), false), OperationCancelled);
    EXPECT_EQ(scanner.Result.Packages.size(), 1u);
}

TEST(InstallSourceScan, UnpacksArchivesIntoTheTemporaryFolderUntilDiscarded) {
    test::TempFolder temp(L"qbsource");
    const fs::path drivers = temp.Path() / L"drivers";
    const auto [sizeA, sizeB] = WriteDrivers(drivers);
    const fs::path archive = temp.Path() / L"драйверы.7z";
    Scanner scanner;

    // Without 7-Zip an archive cannot be read.
    scanner.Scan(archive.wstring(), true);
    EXPECT_EQ(scanner.Result.Error, L"7-Zip was not found. Install 7-Zip or place 7z.exe next to the application.");
    EXPECT_TRUE(scanner.Extraction.empty());

    const test::SevenZipOnPath sevenZip;
    std::wstring error;
    ASSERT_TRUE(CreateSevenZipArchive({(test::RealSevenZipFolder() / L"7z.exe").wstring()}, drivers.wstring(),
                                      archive.wstring(), error, nullptr))
        << error;
    scanner.Scan(archive.wstring(), true);
    ASSERT_TRUE(scanner.Result.Done) << scanner.Result.Error;
    const fs::path first = scanner.Extraction;
    EXPECT_EQ(first.parent_path(), temp.Path().parent_path()) << "the temporary folder";
    EXPECT_TRUE(std::regex_match(first.filename().wstring(),
                                 std::wregex(LR"(Quillbay-archive-\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d-[0-9a-f]{6})")))
        << first;
    EXPECT_EQ(scanner.Records(), (std::vector<std::pair<std::wstring, std::uint64_t>>{
                                     {L"x.inf", sizeA}, {L"y.INF", sizeA}, {L"z.inf", sizeB}}));
    for (const DriverPackage& package : scanner.Result.Packages)
        EXPECT_EQ(package.InfPath.rfind(first.wstring(), 0), 0u);
    EXPECT_EQ(scanner.Progress.front(), std::make_pair(std::wstring(L"Extracting 7z archive…"), -1));
    EXPECT_NE(std::find(scanner.Progress.begin(), scanner.Progress.end(),
                        std::make_pair(std::wstring(L"Extracting 7z archive… — 100%"), 100)),
              scanner.Progress.end());

    // The next scan discards the previous extraction first; a failed one discards its own.
    const fs::path missing = temp.Path() / L"нет.7z";
    scanner.Scan(missing.wstring(), true);
    EXPECT_FALSE(scanner.Result.Done);
    EXPECT_EQ(scanner.Result.Error, L"Архив не существует: " + missing.wstring());
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(scanner.Extraction.empty());

    // Cancelling while 7-Zip runs takes effect once it has finished; the folder stays stored.
    scanner.OnProgress = [&](const std::wstring& text) { scanner.CancelNow = text == L"Extracting 7z archive…"; };
    EXPECT_THROW(scanner.Scan(archive.wstring(), true), OperationCancelled);
    EXPECT_EQ(scanner.Progress.size(), 1u) << "nothing reported once cancelled";
    EXPECT_TRUE(fs::is_regular_file(fs::path(scanner.Extraction) / L"b" / L"z.inf"));
    DiscardExtractedSource(scanner.Extraction);

    // An archive without INF files gives an empty list.
    fs::remove_all(drivers / L"a");
    fs::remove(drivers / L"b" / L"z.inf");
    const fs::path empty = temp.Path() / L"empty.7z";
    ASSERT_TRUE(CreateSevenZipArchive({(test::RealSevenZipFolder() / L"7z.exe").wstring()}, drivers.wstring(),
                                      empty.wstring(), error, nullptr))
        << error;
    scanner.CancelNow = false;
    scanner.OnProgress = nullptr;
    scanner.Scan(empty.wstring(), true);
    EXPECT_TRUE(scanner.Result.Done) << scanner.Result.Error;
    EXPECT_TRUE(scanner.Result.Packages.empty());
    DiscardExtractedSource(scanner.Extraction);
}

TEST(DiscardExtractedSource, RemovesOnlyOurOwnFoldersDirectlyInTheTemporaryFolder) {
    test::TempFolder temp(L"qbdiscard");
    const fs::path tempRoot = temp.Path().parent_path();
    const std::wstring unique = std::to_wstring(::GetCurrentProcessId());
    struct Case {
        fs::path Folder;
        std::wstring Stored;
        bool Removed;
    };
    const fs::path ours = tempRoot / (L"Quillbay-archive-test-" + unique);
    const fs::path nested = temp.Path() / L"Quillbay-archive-nested";
    const fs::path foreign = tempRoot / (L"Other-archive-" + unique);
    for (const Case& c : {Case{ours, ours.wstring(), true}, Case{ours, ours.wstring() + L"\\", true},
                          Case{nested, nested.wstring(), false}, Case{foreign, foreign.wstring(), false}}) {
        fs::create_directories(c.Folder / L"sub");
        test::WriteFileBytes(c.Folder / L"sub" / L"x.inf", kInf);
        std::wstring stored = c.Stored;
        DiscardExtractedSource(stored);
        EXPECT_TRUE(stored.empty()) << "forgotten in every case";
        EXPECT_EQ(!fs::exists(c.Folder), c.Removed) << c.Stored;
        fs::remove_all(c.Folder);
    }
}
