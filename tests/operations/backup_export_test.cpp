// Backups of fixture Driver Stores: the folder layout and both JSON files byte
// for byte, and faults that must neither lose a package nor report one that the
// backup does not hold. Archives are made by the real 7-Zip the build fetched.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/unique_handle.h"
#include "fixture_inf.h"
#include "operations/archive_naming.h"
#include "operations/backup_export.h"
#include "operations/export_result_text.h"
#include "operations/install_source.h"
#include "operations/json_text.h"
#include "operations/seven_zip_locator.h"
#include "platform/file_names.h"
#include "platform/inf_reader.h"
#include "platform/package_size.h"
#include "seven_zip_on_path.h"
#include "test_support.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;

namespace {

constexpr LangId kEnglish = 1;

sim::FixturePackage Fixture(const std::wstring& published, const std::wstring& inf, const std::wstring& hash) {
    sim::FixturePackage package;
    package.PublishedName = published;
    package.InfName = inf;
    package.Provider = L"Quelltide Devices";
    package.ClassName = L"Net";
    package.ClassGuid = L"{4d36e972-e325-11ce-bfc1-08002be10318}";
    package.ClassDescription = L"Sound, video: game";
    package.CatalogFile = L"qt.cat";
    package.Date = {2023, 4, 5};
    package.Version = L"1.0";
    package.StoreHash = hash;
    package.Models = {{L"NTamd64", {L"PCI\\VEN_1F3A&DEV_00" + hash.substr(14)}}};
    package.DriverFiles = {{L"drv.sys", 70000}, {L"bin\\helper.dll", 5000}};
    return package;
}

// Every entry below `root` by relative path: file bytes, or "<folder>".
std::map<std::wstring, std::string> Snapshot(const fs::path& root) {
    std::map<std::wstring, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        entries[fs::relative(entry.path(), root).wstring()] =
            entry.is_directory() ? std::string("<folder>") : test::ReadFileBytes(entry.path());
    }
    return entries;
}

std::vector<fs::path> Children(const fs::path& folder) {
    std::vector<fs::path> children;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) children.push_back(entry.path());
    std::sort(children.begin(), children.end());
    return children;
}

// A file held open without sharing, as another program can hold it.
FileHandle LockFile(const fs::path& path) {
    return FileHandle(
        ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

class BackupExportTest : public ::testing::Test {
protected:
    // Writes the packages into an offline root and makes the records DISM would list for them.
    void Build(const std::vector<sim::FixturePackage>& packages) {
        sim::FixtureWindows windows;
        windows.Packages = packages;
        std::wstring error;
        ASSERT_TRUE(sim::BuildWindowsRoot(windows, root, error)) << error;
        for (const sim::FixturePackage& fixture : packages) {
            std::wstring folder;
            ASSERT_TRUE(sim::FixtureStoreFolderName(fixture, folder, error)) << error;
            DriverPackage& record = records.emplace_back();
            record.PublishedName = fixture.PublishedName;
            record.OriginalFileName =
                root + L"\\Windows\\System32\\DriverStore\\FileRepository\\" + folder + L"\\" + fixture.InfName;
            record.OriginalInfName = fixture.InfName;
            record.Provider = fixture.Provider;
            record.ClassDescription = fixture.ClassDescription;
            record.Version = fixture.Version;
            record.Date = L"2023-04-05";
        }
    }
    void BuildFive() {
        Build({Fixture(L"oem1.inf", L"qtnet.inf", L"00000000000000a1"),
               Fixture(L"oem2.inf", L"qtnet.inf", L"00000000000000a2"),
               Fixture(L"oem3.inf", L"qtwifi.inf", L"00000000000000a3"),
               Fixture(L"oem4.inf", L"qtbt.inf", L"00000000000000a4"),
               Fixture(L"oem5.inf", L"qtusb.inf", L"00000000000000a5")});
    }

    fs::path Store(std::size_t index) const { return fs::path(records[index].OriginalFileName).parent_path(); }

    std::vector<DriverPackage*> Pointers(std::initializer_list<std::size_t> indexes) {
        std::vector<DriverPackage*> pointers;
        for (std::size_t index : indexes) pointers.push_back(&records[index]);
        return pointers;
    }

    OperationCallbacks Callbacks() {
        OperationCallbacks callbacks;
        callbacks.LogLine = [this](const std::wstring& text) { lines.push_back(text); };
        callbacks.Progress = [this](const std::wstring& text, int percent) {
            progress.emplace_back(text, percent);
            if (onProgress) onProgress(text);
        };
        callbacks.Cancelled = [this] { return cancel && cancel(); };
        return callbacks;
    }

    bool Export(const std::vector<DriverPackage*>& packages, bool archive, const std::wstring& archivePath = L"") {
        lines.clear();
        progress.clear();
        const BackupRequest request{root, destination.wstring(), archive, archivePath, kEnglish};
        return ExportDriverPackages(request, packages, Callbacks(), statistics);
    }

    bool Logged(const std::wstring& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
    std::size_t CountLogged(const std::wstring& prefix) const {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::wstring& l) { return l.rfind(prefix, 0) == 0; });
    }

    // The manifest's entries as "<inf> <relative path>", and its declared count.
    std::vector<std::wstring> ManifestEntries(int& declaredCount) const {
        const std::wstring text = test::ReadUtf8File(fs::path(statistics.ResultPath) / L"manifest.json");
        std::wsmatch match;
        declaredCount =
            std::regex_search(text, match, std::wregex(LR"("PackageCount": (\d+))")) ? std::stoi(match[1].str()) : -1;
        std::vector<std::wstring> entries;
        const std::wregex entry(LR"re(\{ "Inf": "([^"]*)", "Version": "[^"]*", "RelativePath": "([^"]*)" \})re");
        for (std::wsregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it)
            entries.push_back((*it)[1].str() + L" " + (*it)[2].str());
        return entries;
    }

    std::vector<fs::path> PackageFolders() const {
        std::vector<fs::path> folders;
        for (const fs::path& child : Children(statistics.ResultPath)) {
            if (!fs::is_directory(child)) continue;
            for (const fs::path& package : Children(child)) folders.push_back(package);
        }
        return folders;
    }

    test::TempFolder temp{L"qbexport"};
    std::wstring root = (temp.Path() / L"image").wstring();
    fs::path destination = temp.Path() / L"копии" / L"драйверы";
    std::vector<DriverPackage> records;
    ExportStatistics statistics;
    std::vector<std::wstring> lines;
    std::vector<std::pair<std::wstring, int>> progress;
    std::function<void(const std::wstring&)> onProgress;
    std::function<bool()> cancel;
};

}  // namespace

TEST(JsonEscape, ShortEscapesAndOtherControlCharactersAsUnicodeEscapes) {
    EXPECT_EQ(JsonEscape(L"a\tb\nc\rd\"e\\f"), L"a\\tb\\nc\\rd\\\"e\\\\f");
    EXPECT_EQ(JsonEscape(std::wstring(L"\0\x01\b\f\x1B\x1f\x20", 7)), L"\\u0000\\u0001\\u0008\\u000c\\u001b\\u001f ");
    EXPECT_EQ(JsonEscape(L"/\x7F\x80Сеть 日本 \U0001F600"), L"/\x7F\x80Сеть 日本 \U0001F600") << "kept as they are";
    EXPECT_EQ(JsonEscape(L"C:\\x\\"), L"C:\\\\x\\\\");
    EXPECT_EQ(JsonEscape(L""), L"");
}

TEST_F(BackupExportTest, WritesTheLayoutAndBothJsonFilesByteForByte) {
    // Two packages of the same INF and version, and a class description that is
    // no valid folder name and needs escaping.
    std::vector<sim::FixturePackage> packages{Fixture(L"oem3.inf", L"qtnet.inf", L"00000000000000a1"),
                                              Fixture(L"oem8.inf", L"qtnet.inf", L"00000000000000a2"),
                                              Fixture(L"oem12.inf", L"qtcam.inf", L"00000000000000b1")};
    packages[2].ClassDescription = L"Камеры \"USB\"\\IR";
    Build(packages);
    records[2].Provider = L"Северная\tоптика";
    records[2].BootCritical = true;

    ASSERT_TRUE(Export(Pointers({0, 1, 2}), false)) << testing::PrintToString(lines);
    EXPECT_EQ(statistics.Exported, 3);
    EXPECT_EQ(statistics.Failures, 0);
    EXPECT_FALSE(statistics.Cancelled);
    const fs::path backup = statistics.ResultPath;
    EXPECT_EQ(backup.parent_path(), destination) << "the destination is created with its parents";
    EXPECT_TRUE(
        std::regex_match(backup.filename().wstring(), std::wregex(LR"(DriverBackup_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d)")));

    const fs::path sound = backup / L"Sound, video_ game";
    const fs::path cameras = backup / L"Камеры _USB__IR";
    std::vector<fs::path> top{backup / L"manifest.json", sound, cameras};
    std::sort(top.begin(), top.end());
    EXPECT_EQ(Children(backup), top);
    const std::vector<fs::path> same = Children(sound);
    ASSERT_EQ(same.size(), 2u);
    EXPECT_EQ(same[0], sound / L"qtnet.inf-1.0");
    EXPECT_TRUE(std::regex_match(same[1].filename().wstring(), std::wregex(LR"(qtnet\.inf-1\.0-[0-9a-f]{6})")));
    const std::vector<fs::path> exported{same[0], same[1], cameras / L"qtcam.inf-1.0"};
    for (std::size_t i = 0; i < 3; ++i) {
        auto expected = Snapshot(Store(i));
        auto copied = Snapshot(exported[i]);
        EXPECT_EQ(copied.erase(L"package-info.json"), 1u);
        EXPECT_EQ(copied, expected) << "the whole store folder, content only";
    }

    EXPECT_EQ(test::ReadFileBytes(exported[2] / L"package-info.json").substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(test::ReadUtf8File(exported[2] / L"package-info.json"),
              L"{\r\n"
              L"  \"FormatVersion\": 1,\r\n"
              L"  \"PublishedName\": \"oem12.inf\",\r\n"
              L"  \"OriginalInfName\": \"qtcam.inf\",\r\n"
              L"  \"Provider\": \"Северная\\tоптика\",\r\n"
              L"  \"Section\": \"Камеры \\\"USB\\\"\\\\IR\",\r\n"
              L"  \"Version\": \"1.0\",\r\n"
              L"  \"Date\": \"2023-04-05\",\r\n"
              L"  \"BootCritical\": true\r\n"
              L"}\r\n");
    EXPECT_EQ(test::ReadFileBytes(backup / L"manifest.json").substr(0, 3), "\xEF\xBB\xBF");
    const std::wstring second = L"Sound, video_ game\\\\" + same[1].filename().wstring();
    EXPECT_EQ(test::ReadUtf8File(backup / L"manifest.json"),
              L"{\r\n"
              L"  \"FormatVersion\": 1,\r\n"
              L"  \"PackageCount\": 3,\r\n"
              L"  \"Packages\": [\r\n"
              L"    { \"Inf\": \"qtnet.inf\", \"Version\": \"1.0\", "
              L"\"RelativePath\": \"Sound, video_ game\\\\qtnet.inf-1.0\" },\r\n"
              L"    { \"Inf\": \"qtnet.inf\", \"Version\": \"1.0\", \"RelativePath\": \"" +
                  second +
                  L"\" },\r\n"
                  L"    { \"Inf\": \"qtcam.inf\", \"Version\": \"1.0\", "
                  L"\"RelativePath\": \"Камеры _USB__IR\\\\qtcam.inf-1.0\" }\r\n"
                  L"  ]\r\n"
                  L"}\r\n");

    EXPECT_EQ(progress, (std::vector<std::pair<std::wstring, int>>{{L"Exporting qtnet.inf-1.0", 0},
                                                                   {L"Exporting qtnet.inf-1.0", 33},
                                                                   {L"Exporting qtcam.inf-1.0", 66}}));
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"Экспортирован qtnet.inf (oem3.inf) -> " + exported[0].wstring(),
                                                L"Экспортирован qtnet.inf (oem8.inf) -> " + exported[1].wstring(),
                                                L"Экспортирован qtcam.inf (oem12.inf) -> " + exported[2].wstring()}));
}

TEST_F(BackupExportTest, FailedPackagesLeaveNothingBehindAndTheManifestListsExactlyTheRest) {
    BuildFive();
    const test::SevenZipOnPath sevenZip;
    // Package 1's store folder is gone; package 3's copy fails at a file another program holds.
    records[1].OriginalFileName = root + L"\\Windows\\System32\\DriverStore\\FileRepository\\gone_amd64_1\\qtnet.inf";
    records[1].Version = L"9.9";
    const FileHandle locked = LockFile(Store(3) / L"drv.sys");
    ASSERT_TRUE(locked);

    // An archive was asked for; with failures it is not made and the folder stays.
    EXPECT_FALSE(Export(Pointers({0, 1, 2, 3, 4}), true));
    EXPECT_EQ(statistics.Exported, 3);
    EXPECT_EQ(statistics.Failures, 2);
    EXPECT_FALSE(statistics.Cancelled);
    EXPECT_TRUE(Logged(L"Для архивирования используется: " + sevenZip.Executable().wstring()))
        << testing::PrintToString(lines);
    EXPECT_TRUE(Logged(L"Не найдена папка Driver Store для qtnet.inf (oem2.inf)"));
    EXPECT_EQ(CountLogged(L"Ошибка копирования " + (Store(3) / L"drv.sys").wstring() + L": "), 1u)
        << testing::PrintToString(lines);
    EXPECT_EQ(CountLogged(L"Экспортирован "), 3u);
    EXPECT_EQ(CountLogged(L"Не удалось удалить"), 0u);

    const fs::path backup = statistics.ResultPath;
    ASSERT_TRUE(fs::is_directory(backup));
    EXPECT_EQ(Children(destination), std::vector<fs::path>{backup}) << "no archive, no temporary folder";
    const fs::path sound = backup / L"Sound, video_ game";
    EXPECT_EQ(PackageFolders(),
              (std::vector<fs::path>{sound / L"qtnet.inf-1.0", sound / L"qtusb.inf-1.0", sound / L"qtwifi.inf-1.0"}))
        << "the incomplete copy of qtbt.inf was removed";
    int declared = 0;
    EXPECT_EQ(ManifestEntries(declared), (std::vector<std::wstring>{L"qtnet.inf Sound, video_ game\\\\qtnet.inf-1.0",
                                                                    L"qtwifi.inf Sound, video_ game\\\\qtwifi.inf-1.0",
                                                                    L"qtusb.inf Sound, video_ game\\\\qtusb.inf-1.0"}));
    EXPECT_EQ(declared, 3);

    // Every package failing still leaves a manifest, with no entries at all.
    EXPECT_FALSE(Export(Pointers({1}), false));
    EXPECT_EQ(statistics.Exported, 0);
    EXPECT_EQ(statistics.Failures, 1);
    EXPECT_EQ(test::ReadUtf8File(fs::path(statistics.ResultPath) / L"manifest.json"),
              L"{\r\n  \"FormatVersion\": 1,\r\n  \"PackageCount\": 0,\r\n  \"Packages\": [\r\n  ]\r\n}\r\n");
}

TEST_F(BackupExportTest, FailuresBeforeTheFirstPackageCreateNothing) {
    BuildFive();
    const std::vector<DriverPackage*> all = Pointers({0, 1, 2});

    EXPECT_FALSE(Export({}, false));
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(ExportDriverPackages({root, L"", false, L"", kEnglish}, all, Callbacks(), statistics));
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(fs::exists(destination));

    // No 7-Zip anywhere: said in the interface language before anything is created.
    ASSERT_TRUE(Locate7Zip().Path.empty()) << "the test prefix has no 7-Zip of its own";
    EXPECT_FALSE(Export(all, true));
    EXPECT_EQ(lines, std::vector<std::wstring>{GetText(kEnglish, 196)});
    EXPECT_FALSE(fs::exists(destination));

    // Read-only destinations: Wine's Z: drive shows the host's root, whose /sys
    // refuses new entries even to root.
    const fs::path readOnly = L"Z:\\sys";
    ASSERT_TRUE(fs::is_directory(readOnly));
    destination = readOnly;
    EXPECT_FALSE(Export(all, false));
    EXPECT_EQ(lines, std::vector<std::wstring>{L"Не удалось создать корневую папку копии: Z:\\sys"});
    destination = readOnly / L"Quillbay";
    EXPECT_FALSE(Export(all, false));
    EXPECT_EQ(lines, std::vector<std::wstring>{L"Не удалось создать папку: Z:\\sys\\Quillbay"});
    EXPECT_EQ(statistics.Failures, 0);
    EXPECT_EQ(statistics.Exported, 0);
    EXPECT_TRUE(statistics.ResultPath.empty());
    EXPECT_TRUE(progress.empty());
}

TEST_F(BackupExportTest, CancellingAfterTwoOfFiveKeepsTwoAndMakesNoArchive) {
    BuildFive();
    const test::SevenZipOnPath sevenZip;
    cancel = [this] { return CountLogged(L"Экспортирован ") == 2; };
    EXPECT_FALSE(Export(Pointers({0, 1, 2, 3, 4}), true));
    EXPECT_TRUE(statistics.Cancelled);
    EXPECT_EQ(statistics.Exported, 2);
    EXPECT_EQ(statistics.Failures, 0);
    EXPECT_EQ(progress.size(), 2u) << "the third package was never started";

    EXPECT_EQ(Children(destination), std::vector<fs::path>{statistics.ResultPath}) << "no archive";
    EXPECT_EQ(PackageFolders().size(), 2u);
    int declared = 0;
    EXPECT_EQ(ManifestEntries(declared).size(), 2u);
    EXPECT_EQ(declared, 2);
    EXPECT_EQ(ExportStatusText(statistics, false, kEnglish), L"Operation cancelled");
}

TEST_F(BackupExportTest, PacksWithTheRealSevenZipAndKeepsTheFolderWhenPackingFails) {
    BuildFive();
    const test::SevenZipOnPath sevenZip;
    const std::vector<DriverPackage*> all = Pointers({0, 1, 2, 3, 4});

    ASSERT_TRUE(Export(all, true)) << testing::PrintToString(lines);
    const fs::path archive = statistics.ResultPath;
    EXPECT_EQ(archive.extension(), L".7z");
    EXPECT_TRUE(std::regex_match(archive.stem().wstring(), std::wregex(LR"(DriverBackup_[-_\d]{19})")));
    EXPECT_EQ(Children(destination), std::vector<fs::path>{archive}) << "backup and temporary folders removed";
    EXPECT_EQ(lines.back(), L"Создан архив резервной копии: " + archive.wstring());
    EXPECT_EQ(progress[5], std::make_pair(std::wstring(L"Creating 7z archive…"), -1));
    EXPECT_EQ(progress.back(), std::make_pair(std::wstring(L"Creating 7z archive… — 100%"), 100));

    // The wanted name is taken: the archive gets the time beside it and the old file stays.
    const fs::path taken = destination / L"backup.7z";
    test::WriteFileBytes(taken, "older archive");
    ASSERT_TRUE(Export(all, true, taken.wstring())) << testing::PrintToString(lines);
    EXPECT_TRUE(std::regex_match(fs::path(statistics.ResultPath).filename().wstring(),
                                 std::wregex(LR"(backup-\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.7z)")))
        << statistics.ResultPath;
    EXPECT_EQ(test::ReadFileBytes(taken), "older archive");

    // 7-Zip fails when another program holds a file of the backup.
    FileHandle held;
    onProgress = [&](const std::wstring& text) {
        if (!held && text == L"Creating 7z archive…") {
            held = LockFile(fs::path(statistics.ResultPath) / L"manifest.json");
            ASSERT_TRUE(held);
        }
    };
    const fs::path wanted = destination / L"failed.7z";
    EXPECT_FALSE(Export(all, true, wanted.wstring()));
    held.reset();
    EXPECT_EQ(statistics.Exported, 5);
    EXPECT_EQ(statistics.Failures, 1);
    const fs::path kept = statistics.ResultPath;
    EXPECT_EQ(PackageFolders().size(), 5u) << "the folder is kept whole";
    EXPECT_FALSE(fs::exists(wanted));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(std::regex_match(lines.back(),
                                 std::wregex(L"Ошибка создания архива: 7-Zip завершился с кодом \\d+\\.[\\s\\S]*")))
        << lines.back();
    const std::wstring tail = L" Папка сохранена: " + kept.wstring();
    EXPECT_EQ(lines.back().substr(lines.back().size() - std::min(lines.back().size(), tail.size())), tail);
    for (const fs::path& child : Children(destination))
        EXPECT_NE(child.filename().wstring().rfind(L"DriverBackup-archive", 0), 0u)
            << "temporary folder left: " << child;
}

TEST_F(BackupExportTest, AnArchiveOfOurBackupScansAsTheSamePackages) {
    BuildFive();
    const test::SevenZipOnPath sevenZip;
    ASSERT_TRUE(Export(Pointers({0, 1, 2, 3, 4}), true)) << testing::PrintToString(lines);

    std::wstring extraction;
    InstallSourceScan scan;
    ScanInstallSource(statistics.ResultPath, true, kEnglish, {}, extraction, scan);
    ASSERT_TRUE(scan.Done) << scan.Error;

    // What the INF reader makes of each original store INF, and the size of its folder.
    using Identity = std::tuple<std::wstring, std::wstring, std::wstring, std::wstring, std::wstring, std::wstring,
                                std::vector<std::wstring>, std::uint64_t>;
    const auto identity = [](const DriverPackage& p, std::uint64_t size) {
        return Identity{p.OriginalInfName, p.Provider, p.ClassName,   p.CatalogFile,
                        p.Version,         p.Date,     p.HardwareIds, size};
    };
    std::vector<Identity> expected;
    for (std::size_t i = 0; i < records.size(); ++i) {
        expected.push_back(identity(ReadInfPackage(records[i].OriginalFileName), FolderSize(Store(i))));
    }
    std::vector<Identity> scanned;
    for (const DriverPackage& package : scan.Packages) {
        EXPECT_EQ(package.InfPath.rfind(extraction, 0), 0u) << package.InfPath;
        // The copy's folder holds package-info.json besides the store folder's content.
        const fs::path info = fs::path(package.InfPath).parent_path() / L"package-info.json";
        scanned.push_back(identity(package, package.SizeBytes - fs::file_size(info)));
    }
    std::sort(expected.begin(), expected.end());
    std::sort(scanned.begin(), scanned.end());
    EXPECT_EQ(scanned, expected);

    DiscardExtractedSource(extraction);
    EXPECT_TRUE(extraction.empty());
}

TEST(MoveArchiveToFreeName, TakesTheWantedNameThenTheTimeThenUniqueSuffixes) {
    test::TempFolder temp(L"qbarchive");
    const fs::path temporary = temp.Path() / L"tmp.7z";
    const fs::path wanted = temp.Path() / L"резерв.7z";
    std::wstring error;
    std::vector<fs::path> names;
    // The three moves after the first take well under a second: two of them share a timestamp.
    for (int i = 0; i < 4; ++i) {
        test::WriteFileBytes(temporary, std::to_string(i));
        names.push_back(MoveArchiveToFreeName(temporary, wanted, error));
        EXPECT_EQ(test::ReadFileBytes(names.back()), std::to_string(i)) << "nothing replaced";
    }
    EXPECT_EQ(names[0], wanted);
    EXPECT_TRUE(
        std::regex_match(names[1].filename().wstring(), std::wregex(LR"(резерв-\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.7z)")))
        << names[1];
    EXPECT_TRUE(std::any_of(names.begin() + 2, names.end(), [](const fs::path& name) {
        return std::regex_match(name.filename().wstring(), std::wregex(LR"(резерв-[0-9a-f]{6}\.7z)"));
    }));

    // A folder of the wanted name is a taken name too.
    const fs::path folder = temp.Path() / L"folder.7z";
    fs::create_directory(folder);
    test::WriteFileBytes(temporary, "x");
    EXPECT_EQ(MoveArchiveToFreeName(temporary, folder, error).parent_path(), temp.Path());

    // Any other failure names the target and the Windows error, and keeps the temporary file.
    test::WriteFileBytes(temporary, "kept");
    EXPECT_EQ(MoveArchiveToFreeName(temporary, L"Z:\\sys\\backup.7z", error), fs::path());
    EXPECT_TRUE(
        std::regex_match(error, std::wregex(L"Не удалось сохранить архив: Z:\\\\sys\\\\backup\\.7z \\(\\d+\\)")))
        << error;
    EXPECT_EQ(test::ReadFileBytes(temporary), "kept");
}

TEST(ExportResultTexts, StatusLineAndMessageFollowTheOutcome) {
    struct Case {
        std::int32_t Exported;
        std::int32_t Failures;
        bool Cancelled;
        bool Succeeded;
        const wchar_t* Status;
        const wchar_t* Ending;  // of the message, after the result path
    };
    for (const Case& c :
         {Case{3, 0, false, true, L"Exported: 3; errors: 0", L""},
          Case{2, 1, false, false, L"Exported: 2; errors: 1", L"\r\n\r\nOperation failed — open the log"},
          Case{2, 0, true, false, L"Operation cancelled", L"\r\n\r\nOperation cancelled"},
          Case{0, 0, false, false, L"Operation failed — open the log", L"\r\n\r\nOperation failed — open the log"}}) {
        ExportStatistics statistics;
        statistics.Exported = c.Exported;
        statistics.Failures = c.Failures;
        statistics.Cancelled = c.Cancelled;
        statistics.ResultPath = L"D:\\Backup\\DriverBackup_2024-11-05_14-07-09";
        EXPECT_EQ(ExportStatusText(statistics, c.Succeeded, kEnglish), c.Status);
        const ExportResultMessage message = DescribeExportResult(statistics, c.Succeeded, kEnglish);
        EXPECT_EQ(message.Text, L"Packages exported: " + std::to_wstring(c.Exported) + L"\r\nErrors: " +
                                    std::to_wstring(c.Failures) + L"\r\n\r\n" + statistics.ResultPath + c.Ending);
        EXPECT_EQ(message.Warning, !c.Succeeded);
    }
}
