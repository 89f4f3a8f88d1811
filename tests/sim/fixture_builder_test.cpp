// What the fixture builder leaves on disk: the layout other tests rely on, the
// kernel image's machine, INF encodings, and a seeding that never overwrites.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "current_windows_seed.h"
#include "fixture_inf.h"
#include "test_support.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;
using namespace sim;

namespace {

FixturePackage Package(const wchar_t* published, const wchar_t* inf) {
    FixturePackage package;
    package.PublishedName = published;
    package.InfName = inf;
    package.Provider = L"Tessary Devices";
    package.ClassName = L"Net";
    package.Models = {{L"NTamd64", {L"PCI\\VEN_7A11&DEV_0002"}}};
    return package;
}

template <typename T>
T ReadAt(const std::string& bytes, size_t offset) {
    T value{};
    if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

}  // namespace

TEST(FixtureBuilder, RootHoldsHivesKernelAndMarker) {
    struct Case {
        FixtureMachine Machine;
        WORD OptionalMagic;
    };
    for (const Case& c : {Case{FixtureMachine::Amd64, IMAGE_NT_OPTIONAL_HDR64_MAGIC},
                          Case{FixtureMachine::X86, IMAGE_NT_OPTIONAL_HDR32_MAGIC},
                          Case{FixtureMachine::Arm64, IMAGE_NT_OPTIONAL_HDR64_MAGIC}}) {
        test::TempFolder folder(L"qbfix");
        FixtureWindows windows;
        windows.Machine = c.Machine;
        windows.ImageDrive = L"F:";
        std::wstring error;
        ASSERT_TRUE(BuildWindowsRoot(windows, folder.Path().wstring(), error)) << error;

        const fs::path system32 = folder.Path() / L"Windows\\System32";
        EXPECT_TRUE(fs::is_regular_file(system32 / L"Config\\SYSTEM"));
        EXPECT_TRUE(fs::is_regular_file(system32 / L"Config\\SOFTWARE"));
        EXPECT_TRUE(fs::is_directory(system32 / L"DriverStore\\FileRepository"));
        EXPECT_EQ(test::ReadFileBytes(system32 / L"DriverStore\\sim-image-drive.txt"), "F:");

        const std::string kernel = test::ReadFileBytes(system32 / L"ntoskrnl.exe");
        ASSERT_GE(kernel.size(), 64u);
        EXPECT_EQ(ReadAt<WORD>(kernel, 0), IMAGE_DOS_SIGNATURE);
        const auto headerAt = ReadAt<LONG>(kernel, 60);
        ASSERT_GT(headerAt, 0);
        EXPECT_EQ(ReadAt<DWORD>(kernel, headerAt), IMAGE_NT_SIGNATURE);
        EXPECT_EQ(ReadAt<WORD>(kernel, headerAt + 4), static_cast<WORD>(c.Machine));
        const auto optionalSize = ReadAt<WORD>(kernel, headerAt + 4 + 16);
        EXPECT_EQ(ReadAt<WORD>(kernel, headerAt + 24), c.OptionalMagic);
        EXPECT_LE(static_cast<size_t>(headerAt) + 24 + optionalSize, kernel.size()) << "headers lie inside the file";
    }

    test::TempFolder folder(L"qbfix");
    FixtureWindows windows;
    windows.WriteKernel = false;
    windows.ImageDrive = L"D:\\";
    std::wstring error;
    EXPECT_FALSE(BuildWindowsRoot(windows, folder.Path().wstring(), error)) << "a marker holds a drive, no path";
    EXPECT_NE(error.find(L"D:\\"), std::wstring::npos) << error;
    EXPECT_FALSE(fs::exists(folder.Path() / L"Windows\\System32\\ntoskrnl.exe"));
}

TEST(FixtureBuilder, InfEncodingsAndPublishedCopies) {
    FixturePackage package = Package(L"oem1.inf", L"tess.inf");
    package.Provider = L"Тессари";
    std::string bytes;
    std::wstring error;
    EXPECT_FALSE(RenderFixtureInf(package, bytes, error)) << "an ANSI INF cannot carry Cyrillic text";
    EXPECT_NE(error.find(L"tess.inf"), std::wstring::npos);

    package.Utf16Inf = true;
    ASSERT_TRUE(RenderFixtureInf(package, bytes, error)) << error;
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_NE(text.find(L"ProviderName=\"Тессари\""), std::wstring::npos);

    std::string different;
    ASSERT_TRUE(RenderDifferentPublishedInf(package, different, error)) << error;
    EXPECT_NE(different, bytes);

    // The store folder is named after the content unless a hash is chosen.
    std::wstring first;
    std::wstring second;
    ASSERT_TRUE(FixtureStoreFolderName(package, first, error));
    package.Version = L"1.0.0.1";
    ASSERT_TRUE(FixtureStoreFolderName(package, second, error));
    EXPECT_EQ(first.rfind(L"tess.inf_amd64_", 0), 0u) << first;
    EXPECT_EQ(first.size(), std::wstring(L"tess.inf_amd64_").size() + 16);
    EXPECT_NE(first, second);
    package.StoreHash = L"0123456789abcdef";
    package.StoreArchitecture = L"arm64";
    ASSERT_TRUE(FixtureStoreFolderName(package, first, error));
    EXPECT_EQ(first, L"tess.inf_arm64_0123456789abcdef");
}

TEST(FixtureBuilder, SeedingNeverOverwritesAndUndoesItself) {
    wchar_t windowsFolder[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryW(windowsFolder, MAX_PATH), 0u);
    const fs::path inf = fs::path(windowsFolder) / L"INF";
    const fs::path repository = fs::path(windowsFolder) / L"System32\\DriverStore\\FileRepository";
    fs::create_directories(inf);
    const fs::path foreign = inf / L"oem9202.inf";
    test::WriteFileBytes(foreign, "not ours");

    FixtureWindows windows;
    windows.Packages = {Package(L"oem9201.inf", L"tessa.inf"), Package(L"oem9202.inf", L"tessb.inf")};
    std::wstring folderA;
    std::wstring error;
    ASSERT_TRUE(FixtureStoreFolderName(windows.Packages[0], folderA, error));

    SeededCurrentWindows seeded;
    EXPECT_FALSE(SeedCurrentWindows(windows, seeded, error));
    EXPECT_NE(error.find(L"oem9202.inf"), std::wstring::npos) << error;
    EXPECT_EQ(test::ReadFileBytes(foreign), "not ours") << "an existing file stays as it was";
    EXPECT_FALSE(fs::exists(inf / L"oem9201.inf")) << "a failed seeding takes back what it wrote";
    EXPECT_FALSE(fs::exists(repository / folderA));
    EXPECT_TRUE(seeded.PublishedInfs.empty());
    fs::remove(foreign);

    EXPECT_FALSE(IsCurrentWindowsSeeded(windows));
    ASSERT_TRUE(SeedCurrentWindows(windows, seeded, error)) << error;
    EXPECT_TRUE(IsCurrentWindowsSeeded(windows));
    EXPECT_EQ(seeded.PublishedInfs.size(), 2u);
    ASSERT_TRUE(RemoveSeededCurrentWindows(seeded, error)) << error;
    EXPECT_FALSE(fs::exists(inf / L"oem9201.inf"));
    EXPECT_FALSE(fs::exists(inf / L"oem9202.inf"));
    EXPECT_FALSE(fs::exists(repository / folderA));
    EXPECT_FALSE(IsCurrentWindowsSeeded(windows));
}
