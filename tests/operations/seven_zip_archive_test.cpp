#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "operations/seven_zip_archive.h"
#include "test_support.h"

// These run the real Windows 7-Zip that the build fetched.
namespace fs = std::filesystem;

namespace {

SevenZipTool RealSevenZip() {
    return {(test::BinFolder().parent_path() / L"tools" / L"7zip" / L"7z.exe").wstring()};
}

// Every entry below `root` by relative path: file bytes, or "<folder>".
std::map<std::wstring, std::string> Snapshot(const fs::path& root) {
    std::map<std::wstring, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::wstring relative = fs::relative(entry.path(), root).wstring();
        entries[relative] = entry.is_directory() ? std::string("<folder>") : test::ReadFileBytes(entry.path());
    }
    return entries;
}

void WriteSampleTree(const fs::path& root) {
    fs::create_directories(root / L"Драйверы" / L"日本語 フォルダ");
    fs::create_directories(root / L"Пустая папка");
    fs::create_directories(root / L"-dash folder");
    test::WriteFileBytes(root / L"Драйверы" / L"日本語 フォルダ" / L"файл 1.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
    test::WriteFileBytes(root / L"emoji \U0001F600.txt", "emoji");
    test::WriteFileBytes(root / L"-dash folder" / L"-n.txt", "dash");
    test::WriteFileBytes(root / L"empty.txt", "");
    // Enough incompressible data for 7-Zip to report progress along the way.
    std::mt19937 random(4242);
    std::string noise(12 * 1024 * 1024, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    test::WriteFileBytes(root / L"Драйверы" / L"random.bin", noise);
}

struct Recorded {
    std::vector<int> Values;
    std::function<void(int)> Callback() {
        return [this](int percent) { Values.push_back(percent); };
    }
};

void ExpectCompleteProgress(const std::vector<int>& values) {
    ASSERT_GE(values.size(), 3u) << "-1, at least one percentage, 100";
    EXPECT_EQ(values.front(), -1);
    EXPECT_EQ(values.back(), 100);
    for (size_t i = 1; i + 1 < values.size(); ++i) {
        EXPECT_GE(values[i], 0);
        EXPECT_LE(values[i], 99);
        if (i > 1) {
            EXPECT_GT(values[i], values[i - 1]);
        }
    }
}

}  // namespace

TEST(SevenZipArchive, PacksAndUnpacksATreeWithNonAsciiNames) {
    const SevenZipTool tool = RealSevenZip();
    ASSERT_TRUE(fs::is_regular_file(tool.Path)) << "the build fetches 7-Zip into " << fs::path(tool.Path);
    test::TempFolder work(L"qb7z архив");
    const fs::path source = work.Path() / L"источник";
    WriteSampleTree(source);

    // The archive's folder does not exist yet.
    const fs::path archive = work.Path() / L"новая папка" / L"sub" / L"резервная копия.7z";
    Recorded packing;
    std::wstring error;
    ASSERT_TRUE(CreateSevenZipArchive(tool, source.wstring() + L"\\", archive.wstring(), error, packing.Callback()))
        << error;
    EXPECT_TRUE(error.empty());
    ASSERT_TRUE(fs::is_regular_file(archive));
    ExpectCompleteProgress(packing.Values);

    const fs::path destination = work.Path() / L"распаковка" / L"x";
    Recorded unpacking;
    ASSERT_TRUE(ExtractSevenZipArchive(tool, archive.wstring(), destination.wstring(), error, unpacking.Callback()))
        << error;
    ExpectCompleteProgress(unpacking.Values);
    const auto expected = Snapshot(source);
    EXPECT_EQ(Snapshot(destination), expected) << "paths are relative to the source folder";

    // Unpacking again over the same files replaces them without asking.
    test::WriteFileBytes(destination / L"empty.txt", "changed");
    ASSERT_TRUE(ExtractSevenZipArchive(tool, archive.wstring(), destination.wstring(), error, nullptr)) << error;
    EXPECT_EQ(Snapshot(destination), expected);
}

TEST(SevenZipArchive, ReportsSevenZipsOwnErrorForADamagedArchive) {
    const SevenZipTool tool = RealSevenZip();
    test::TempFolder work(L"qb7z повреждён");
    const fs::path source = work.Path() / L"src";
    fs::create_directories(source);
    test::WriteFileBytes(source / L"a.txt", std::string(100000, 'a'));
    const fs::path archive = work.Path() / L"испорчен.7z";
    std::wstring error;
    ASSERT_TRUE(CreateSevenZipArchive(tool, source.wstring(), archive.wstring(), error, nullptr)) << error;

    // Cut in half: the header at the end is gone.
    std::string bytes = test::ReadFileBytes(archive);
    bytes.resize(bytes.size() / 2);
    test::WriteFileBytes(archive, bytes);
    Recorded progress;
    EXPECT_FALSE(ExtractSevenZipArchive(tool, archive.wstring(), (work.Path() / L"out").wstring(), error,
                                        progress.Callback()));
    const std::wstring prefix = L"7-Zip завершился с кодом 2.\r\n";
    EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
    EXPECT_GT(error.size(), prefix.size());
    EXPECT_NE(error.find(L"испорчен.7z"), std::wstring::npos) << "7-Zip's UTF-8 error text decoded: " << error;
    EXPECT_EQ(std::count(progress.Values.begin(), progress.Values.end(), 100), 0);

    test::WriteFileBytes(archive, "this is not an archive");
    EXPECT_FALSE(ExtractSevenZipArchive(tool, archive.wstring(), (work.Path() / L"out").wstring(), error, nullptr));
    EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
}

TEST(SevenZipArchive, RefusesMissingInputsBeforeRunningSevenZip) {
    test::TempFolder work(L"qb7z входы");
    // An executable that would fail loudly if it were ever started.
    const SevenZipTool tool{(work.Path() / L"absent 7z.exe").wstring()};
    Recorded progress;
    std::wstring error;

    const std::wstring missing = (work.Path() / L"нет такой папки").wstring();
    EXPECT_FALSE(CreateSevenZipArchive(tool, missing, (work.Path() / L"a.7z").wstring(), error, progress.Callback()));
    EXPECT_EQ(error, L"Папка для архивирования не существует: " + missing);
    const fs::path file = work.Path() / L"file.txt";
    test::WriteFileBytes(file, "x");
    EXPECT_FALSE(CreateSevenZipArchive(tool, file.wstring(), (work.Path() / L"a.7z").wstring(), error, nullptr));
    EXPECT_EQ(error, L"Папка для архивирования не существует: " + file.wstring());

    // The archive's folder would have to be created below a file.
    EXPECT_FALSE(CreateSevenZipArchive(tool, work.Path().wstring(), (file / L"sub" / L"a.7z").wstring(), error,
                                       nullptr));
    EXPECT_EQ(error, L"Не удалось создать папку архива.");

    const std::wstring absent = (work.Path() / L"нет.7z").wstring();
    EXPECT_FALSE(ExtractSevenZipArchive(tool, absent, (work.Path() / L"out").wstring(), error, progress.Callback()));
    EXPECT_EQ(error, L"Архив не существует: " + absent);
    EXPECT_FALSE(ExtractSevenZipArchive(tool, work.Path().wstring(), (work.Path() / L"out").wstring(), error, nullptr));
    EXPECT_EQ(error, L"Архив не существует: " + work.Path().wstring()) << "a folder is no archive";
    EXPECT_FALSE(ExtractSevenZipArchive(tool, file.wstring(), (file / L"out").wstring(), error, nullptr));
    EXPECT_EQ(error, L"Не удалось создать временную папку распаковки.");
    EXPECT_FALSE(fs::exists(work.Path() / L"out"));

    // With the inputs in place, the missing executable is what is reported.
    EXPECT_FALSE(ExtractSevenZipArchive(tool, file.wstring(), (work.Path() / L"out").wstring(), error, nullptr));
    EXPECT_EQ(error, L"Исполняемый файл 7-Zip не найден: " + tool.Path);
    EXPECT_TRUE(progress.Values.empty());
}
