// backup <archive>: the sample store into one archive, a partial backup, and the
// checks that come before any package is read.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "console_log.h"
#include "console_run.h"
#include "core/event_log.h"
#include "core/text_encoding.h"
#include "core/unique_handle.h"
#include "seeded_sample.h"
#include "test_support.h"
#include "tests/operations/seven_zip_on_path.h"

namespace fs = std::filesystem;
using test::SeededSample;
using test::Utf8Text;
using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

test::ProcessResult Backup(const fs::path& archive, const fs::path& program = test::BinFolder() / L"Quillbay.exe") {
    return test::RunProgram(program, L"backup \"" + archive.wstring() + L"\"");
}

std::string Utf8Path(const fs::path& path) { return WideToUtf8(path.wstring()); }

// The archive's entries as the real 7-Zip lists them.
std::set<std::string> ArchiveEntries(const fs::path& archive) {
    const test::ProcessResult listing =
        test::RunProgram(test::RealSevenZipFolder() / L"7z.exe", L"l -ba -slt \"" + archive.wstring() + L"\"");
    EXPECT_EQ(listing.ExitCode, 0u) << listing.StdOut;
    std::set<std::string> entries;
    for (const std::string& line : test::CrLfLines(listing.StdOut))
        if (line.rfind("Path = ", 0) == 0) entries.insert(line.substr(7));
    return entries;
}

// English texts, the sample's packages in the store, the real 7-Zip on PATH and a folder for archives.
struct BackupScene {
    test::StoredLanguage language;
    SeededSample sample{SeededSample::Content::PackagesOnly};
    test::SevenZipOnPath sevenZip;
    test::TempFolder folder;
};

std::vector<fs::path> FolderContents(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(ConsoleBackupE2E, SampleStoreGoesIntoOneArchive) {
    BackupScene scene;
    ASSERT_TRUE(scene.language.Set(1));
    const test::TempFolder& folder = scene.folder;
    const fs::path archive = folder.Path() / L"Backups" / L"drivers.7z";

    const test::LogTail log;
    const test::ProcessResult result = Backup(folder.Path() / L"Backups" / L"drivers");
    EXPECT_EQ(result.ExitCode, 0u);
    EXPECT_EQ(result.StdErr, "");
    EXPECT_THAT(test::CrLfLines(result.StdOut), ElementsAre(Utf8Text(95), Utf8Text(136) + "12", Utf8Text(135) + "12",
                                                           Utf8Text(145) + "0", Utf8Path(archive), ""));
    EXPECT_THAT(FolderContents(archive.parent_path()), ElementsAre(L"drivers.7z")) << "no working folder is left";

    const std::set<std::string> entries = ArchiveEntries(archive);
    EXPECT_TRUE(entries.contains("manifest.json"));
    for (const sim::FixturePackage& package : scene.sample.Windows().Packages) {
        const std::string folderName = WideToUtf8(package.ClassDescription + L"\\" + package.InfName + L"-" +
                                                  package.Version);
        EXPECT_TRUE(entries.contains(folderName + "\\" + WideToUtf8(package.InfName))) << folderName;
        EXPECT_TRUE(entries.contains(folderName + "\\package-info.json")) << folderName;
    }

    const std::vector<std::string> logged = log.Lines();
    ASSERT_EQ(logged.size(), 14u);
    EXPECT_EQ(logged.front(), WideToUtf8(L"Для архивирования используется: ") +
                                  Utf8Path(scene.sevenZip.Executable()));
    EXPECT_EQ(logged.back(), WideToUtf8(L"Создан архив резервной копии: ") + Utf8Path(archive));
}

TEST(ConsoleBackupE2E, FailedPackagesMakeThePartOrTheWholeFail) {
    BackupScene scene;
    ASSERT_TRUE(scene.language.Set(1));
    const test::TempFolder& folder = scene.folder;
    const std::string logPointer = "Log: " + Utf8Path(TempFilePath(L"Quillbay.log"));
    {
        SCOPED_TRACE("a driver file held open fails its package; the rest stays as a folder");
        const fs::path held = SeededSample::StoreFolder(scene.sample.Package(L"oem3.inf")) / L"qtgfx.sys";
        const FileHandle lock(::CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        const test::ProcessResult result = Backup(folder.Path() / L"partial.7z");
        EXPECT_EQ(result.ExitCode, 3u);
        EXPECT_EQ(result.StdErr, logPointer + "\r\n");
        const std::vector<std::string> lines = test::CrLfLines(result.StdOut);
        ASSERT_EQ(lines.size(), 6u);
        EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + 4),
                    ElementsAre(Utf8Text(95), Utf8Text(136) + "12", Utf8Text(135) + "11", Utf8Text(145) + "1"));
        const fs::path kept = Utf8ToWide(lines[4]);
        EXPECT_EQ(kept.parent_path(), folder.Path());
        EXPECT_EQ(kept.filename().wstring().rfind(L"DriverBackup_", 0), 0u);
        EXPECT_NE(test::ReadFileBytes(kept / L"manifest.json").find("\"PackageCount\": 11,"), std::string::npos);
        EXPECT_FALSE(fs::exists(folder.Path() / L"partial.7z"));
    }
    {
        SCOPED_TRACE("a destination below a file: nothing exported");
        test::WriteFileBytes(folder.Path() / L"plain file", "x");
        const test::ProcessResult result = Backup(folder.Path() / L"plain file" / L"drivers.7z");
        EXPECT_EQ(result.ExitCode, 4u);
        EXPECT_EQ(result.StdErr, logPointer + "\r\n");
        EXPECT_THAT(test::CrLfLines(result.StdOut), ElementsAre(Utf8Text(95), Utf8Text(136) + "12",
                                                                Utf8Text(135) + "0", Utf8Text(145) + "0", ""));
    }
}

TEST(ConsoleBackupE2E, ToolArchivePathAndEmptyStoreAreSettledBeforeAnyExport) {
    test::StoredLanguage language;
    ASSERT_TRUE(language.Set(1));
    const test::TempFolder folder;
    {
        SCOPED_TRACE("no 7-Zip anywhere");
        const fs::path program = folder.Path() / L"Quillbay.exe";
        fs::copy_file(test::BinFolder() / L"Quillbay.exe", program);
        fs::copy_file(test::BinFolder() / L"DismApi.dll", folder.Path() / L"DismApi.dll");
        const test::ProcessResult result = Backup(folder.Path() / L"drivers.7z", program);
        EXPECT_EQ(result.ExitCode, 4u);
        EXPECT_EQ(result.StdOut, "");
        EXPECT_EQ(result.StdErr, Utf8Text(106) + "\r\n");
    }
    const test::SevenZipOnPath sevenZip;
    {
        SCOPED_TRACE("an archive path that names a device, not a file in a folder");
        const test::ProcessResult result = test::RunProgram(test::BinFolder() / L"Quillbay.exe", L"backup \\\\.\\");
        EXPECT_EQ(result.ExitCode, 2u);
        EXPECT_EQ(result.StdOut, "");
        EXPECT_EQ(result.StdErr, Utf8Text(165) + "\r\n");
    }
    {
        SCOPED_TRACE("a store without third-party packages");
        SeededSample nothing(SeededSample::Content::Nothing);
        const test::ProcessResult result = Backup(folder.Path() / L"empty.7z");
        EXPECT_EQ(result.ExitCode, 0u);
        EXPECT_EQ(result.StdErr, "");
        EXPECT_EQ(result.StdOut, Utf8Text(95) + "\r\n" + Utf8Text(136) + "0\r\n");
        EXPECT_FALSE(fs::exists(folder.Path() / L"empty.7z"));
    }
}
