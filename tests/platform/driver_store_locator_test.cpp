// Finding a package's Driver Store folder by its three rules, over store
// folders written by hand so each rule can be reached on its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/string_compare.h"
#include "platform/driver_store_locator.h"
#include "platform/path_rules.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// A target root whose FileRepository folders hold INFs with only a DriverVer.
class DriverStoreLocatorTest : public ::testing::Test {
protected:
    fs::path Folder(const std::wstring& name) const { return repository / name; }

    fs::path AddFolder(const std::wstring& name, const std::wstring& infName, const std::string& driverVer) {
        const fs::path folder = Folder(name);
        fs::create_directories(folder);
        test::WriteFileBytes(folder / infName,
                             "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Net\r\nDriverVer=" + driverVer + "\r\n");
        return folder;
    }

    // DISM's view of the package a.inf 2.1 of 5 January 2020.
    static DriverPackage Package(const std::wstring& originalFileName) {
        DriverPackage package;
        package.PublishedName = L"oem7.inf";
        package.OriginalFileName = originalFileName;
        package.Version = L"2.1.0.0";
        package.Date = L"2020-01-05";
        return package;
    }

    std::wstring Locate(const DriverPackage& package) const { return LocateDriverStoreFolder(package, root); }

    test::TempFolder temp{L"qbstore"};
    std::wstring root = (temp.Path() / L"image").wstring() + L"\\";
    fs::path repository = temp.Path() / L"image\\Windows\\System32\\DriverStore\\FileRepository";
};

}  // namespace

TEST_F(DriverStoreLocatorTest, InfMatchesOnlyOnEqualVersionAndDate) {
    struct Case {
        const char* DriverVer;
        bool Matches;
    };
    for (const Case& c : {Case{"01/05/2020,2.1", true}, Case{"1/5/2020, 2.1.0.0", true},
                          Case{"2020-01-05,2.1.0.0", true}, Case{"01/06/2020,2.1.0.0", false},
                          Case{"01/05/2020,2.1.0.1", false}, Case{"01/05/2020", false}, Case{",2.1.0.0", false}}) {
        const fs::path folder = AddFolder(L"a.inf_amd64_1", L"a.inf", c.DriverVer);
        EXPECT_EQ(InfMatchesPackage(Package(L""), (folder / L"a.inf").wstring()), c.Matches) << c.DriverVer;
    }
    const std::wstring inf = (Folder(L"a.inf_amd64_1") / L"a.inf").wstring();
    DriverPackage undated = Package(L"");
    undated.Date.clear();
    EXPECT_FALSE(InfMatchesPackage(undated, inf));
    EXPECT_FALSE(InfMatchesPackage(Package(L""), (Folder(L"a.inf_amd64_1") / L"missing.inf").wstring()));
}

TEST_F(DriverStoreLocatorTest, PathInsideTheRootIsTakenAsItIs) {
    // Rule 1 needs neither a matching INF nor a date.
    const fs::path folder = AddFolder(L"a.inf_amd64_1", L"a.inf", "01/01/1999,9.9");
    DriverPackage package = Package((folder / L"a.inf").wstring());
    package.Date.clear();
    EXPECT_EQ(Locate(package), folder.wstring());
    package.OriginalFileName = folder.wstring();
    EXPECT_EQ(Locate(package), folder.wstring()) << "a folder is returned unchanged";

    // A path inside the root that does not exist falls through to the other rules.
    package = Package((Folder(L"a.inf_amd64_gone") / L"a.inf").wstring());
    EXPECT_EQ(Locate(package), L"");
    const fs::path other = AddFolder(L"a.inf_amd64_2", L"a.inf", "01/05/2020,2.1");
    EXPECT_EQ(Locate(package), other.wstring()) << "found by the scan";

    EXPECT_EQ(LocateDriverStoreFolder(Package((folder / L"a.inf").wstring()), L""), L"") << "no root, no folder";
}

TEST_F(DriverStoreLocatorTest, OnlyDirectChildrenOfTheRepositoryAreTakenFromDism) {
    // Other files of the image with the package's DriverVer: every one would take
    // foreign files into sizing and backup. The scan finds the package instead.
    const fs::path store = AddFolder(L"a.inf_amd64_1", L"a.inf", "01/05/2020,2.1");
    const fs::path image = temp.Path() / L"image";
    const fs::path published = image / L"Windows\\INF\\oem7.inf";
    fs::create_directories(published.parent_path());
    fs::copy_file(store / L"a.inf", published);
    fs::create_directories(store / L"sub");
    fs::copy_file(store / L"a.inf", store / L"sub\\a.inf");
    fs::copy_file(store / L"a.inf", repository / L"a.inf");
    for (const fs::path& reported : {published, store / L"sub\\a.inf", store / L"sub", repository / L"a.inf",
                                     repository, image / L"Windows\\INF\\..\\INF\\oem7.inf"}) {
        DriverPackage package = Package(reported.wstring());
        package.OriginalInfName = L"a.inf";
        EXPECT_EQ(Locate(package), store.wstring()) << reported;
    }
    // The store folder itself, named in other letter case and with a detour.
    DriverPackage package = Package(
        (image / L"WINDOWS\\system32\\..\\System32\\DriverStore\\FILEREPOSITORY\\a.inf_amd64_1\\a.inf").wstring());
    package.Date.clear();
    EXPECT_TRUE(EqualsIgnoreCase(NormalizePath(Locate(package)), store.wstring())) << "rule 1 needs no date";
}

TEST_F(DriverStoreLocatorTest, PathOfAnotherSystemIsRebasedAndConfirmed) {
    const fs::path folder = AddFolder(L"a.inf_amd64_123", L"a.inf", "01/05/2020,2.1");
    AddFolder(L"a.inf_amd64_999", L"a.inf", "01/05/2020,2.1");  // would make the scan ambiguous
    for (const wchar_t* reported : {L"D:\\Windows\\System32\\DriverStore\\FileRepository\\a.inf_amd64_123\\a.inf",
                                    L"D:/WINDOWS/System32/DriverStore/FileRepository/a.inf_amd64_123/a.inf",
                                    L"X:\\mnt\\Windows\\System32\\DriverStore\\FileRepository\\a.inf_amd64_123",
                                    L"D:\\Windows\\Temp\\..\\System32\\DriverStore\\FileRepository\\a.inf_amd64_123\\"
                                    L"a.inf"}) {
        EXPECT_TRUE(EqualsIgnoreCase(Locate(Package(reported)), folder.wstring())) << reported;
    }

    // A rebased INF of another date is refused; the scan then finds the one folder that matches.
    AddFolder(L"a.inf_amd64_123", L"a.inf", "02/05/2020,2.1");
    EXPECT_EQ(Locate(Package(L"D:\\Windows\\System32\\DriverStore\\FileRepository\\a.inf_amd64_123\\a.inf")),
              Folder(L"a.inf_amd64_999").wstring());
    DriverPackage undated = Package(L"D:\\Windows\\System32\\DriverStore\\FileRepository\\a.inf_amd64_999\\a.inf");
    undated.Date.clear();
    EXPECT_EQ(Locate(undated), L"") << "without a date only the first rule applies";
}

TEST_F(DriverStoreLocatorTest, ScanAcceptsExactlyOneConfirmedFolder) {
    const std::wstring elsewhere = L"D:\\Drivers\\a.inf";  // no Windows folder to rebase
    AddFolder(L"a.inf_x86_9", L"a.inf", "01/06/2020,2.1");
    AddFolder(L"ab.inf_amd64_1", L"a.inf", "01/05/2020,2.1");
    AddFolder(L"a.infx_amd64_1", L"a.inf", "01/05/2020,2.1");
    test::WriteFileBytes(repository / L"a.inf_notes.txt", "a file, not a folder");
    EXPECT_EQ(Locate(Package(elsewhere)), L"") << "another date, or another INF name";

    const fs::path match = AddFolder(L"A.INF_ARM64_3", L"a.inf", "01/05/2020,2.1");
    EXPECT_EQ(Locate(Package(elsewhere)), match.wstring()) << "names compared without regard to case";

    DriverPackage named = Package(L"");
    named.OriginalInfName = L"a.inf";
    EXPECT_EQ(Locate(named), match.wstring()) << "the stored INF name is used";

    AddFolder(L"a.inf_amd64_2", L"a.inf", "01/05/2020,2.1.0");
    EXPECT_EQ(Locate(Package(elsewhere)), L"") << "two matching folders are ambiguous";

    fs::remove_all(repository);
    EXPECT_EQ(Locate(Package(elsewhere)), L"") << "no store";
}

TEST_F(DriverStoreLocatorTest, InfNamesWithUnderscores) {
    const fs::path folder = AddFolder(L"my_net_drv.inf_amd64_0123456789abcdef", L"my_net_drv.inf", "01/05/2020,2.1");
    AddFolder(L"my_net.inf_amd64_1", L"my_net.inf", "01/05/2020,2.1");
    EXPECT_EQ(Locate(Package(L"D:\\pkg\\my_net_drv.inf")), folder.wstring());
}
