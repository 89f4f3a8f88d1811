// An install source's INF recognised as an installed package.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/installed_match.h"
#include "test_support.h"

namespace fs = std::filesystem;

TEST(InstalledMatch, FilesHaveSameContentBlockByBlock) {
    test::TempFolder temp;
    const auto file = [&](const wchar_t* name, const std::string& bytes) {
        test::WriteFileBytes(temp.Path() / name, bytes);
        return temp.Path() / name;
    };
    std::string big(20000, 'a');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    std::string changedLate = big;
    changedLate[16385] ^= 1;

    EXPECT_TRUE(FilesHaveSameContent(file(L"e1", ""), file(L"e2", "")));
    EXPECT_TRUE(FilesHaveSameContent(file(L"b1", big), file(L"b2", big)));
    EXPECT_TRUE(FilesHaveSameContent(temp.Path() / L"b1", temp.Path() / L"b1"));
    EXPECT_FALSE(FilesHaveSameContent(temp.Path() / L"b1", file(L"b3", changedLate)));
    EXPECT_FALSE(FilesHaveSameContent(file(L"p1", std::string(8192, 'z')), file(L"p2", std::string(8193, 'z'))))
        << "the longer file goes on after a full block";
    EXPECT_FALSE(FilesHaveSameContent(temp.Path() / L"e1", temp.Path() / L"missing"));
    EXPECT_FALSE(FilesHaveSameContent(temp.Path() / L"missing", temp.Path() / L"missing"));
    EXPECT_FALSE(FilesHaveSameContent(temp.Path(), temp.Path())) << "a folder has no content to read";
}

namespace {

class InstalledMatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(store);
        fs::create_directories(sourceFolder);
        Write(L"wifi.inf", kInf);
        Write(L"wifi.cat", "catalog");
    }

    void Write(const std::wstring& name, const std::string& bytes) {
        test::WriteFileBytes(store / name, bytes);
        test::WriteFileBytes(sourceFolder / name, bytes);
    }

    DriverPackage Installed() const {
        DriverPackage package;
        package.PublishedName = L"oem4.inf";
        package.OriginalFileName = (store / L"wifi.inf").wstring();
        package.OriginalInfName = L"wifi.inf";
        package.CatalogFile = L"wifi.cat";
        package.Version = L"3.2.0.0";
        package.Date = L"2021-04-01";
        return package;
    }

    DriverPackage Source() const {
        DriverPackage package;
        package.InfPath = (sourceFolder / L"wifi.inf").wstring();
        package.OriginalInfName = L"WIFI.INF";
        package.CatalogFile = L"wifi.cat";
        package.Version = L"3.2";
        return package;
    }

    const DriverPackage* Find(const std::vector<DriverPackage>& installed, const DriverPackage& source) const {
        return FindInstalledMatch(installed, source, temp.Path().wstring());
    }

    static constexpr char kInf[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\nDriverVer=04/01/2021,3.2.0.0\r\n";
    test::TempFolder temp{L"qbmatch"};
    fs::path store = temp.Path() / L"Windows\\System32\\DriverStore\\FileRepository\\wifi.inf_amd64_1";
    fs::path sourceFolder = temp.Path() / L"source\\wlan";
};

}  // namespace

TEST_F(InstalledMatchTest, SameNameVersionInfAndCatalog) {
    DriverPackage other = Installed();
    other.OriginalInfName = L"lan.inf";
    DriverPackage older = Installed();
    older.Version = L"3.1.0.0";
    const std::vector<DriverPackage> installed{other, older, Installed()};
    EXPECT_EQ(Find(installed, Source()), &installed[2]);

    DriverPackage uncatalogued = Installed();
    uncatalogued.CatalogFile.clear();
    const std::vector<DriverPackage> withoutCatalog{uncatalogued};
    EXPECT_EQ(Find(withoutCatalog, Source()), &withoutCatalog[0]) << "the source names the catalog";
    DriverPackage sourceWithoutCatalog = Source();
    sourceWithoutCatalog.CatalogFile.clear();
    EXPECT_EQ(Find(withoutCatalog, sourceWithoutCatalog), nullptr) << "no catalog to compare";

    DriverPackage notRead = Source();
    notRead.InfPath.clear();
    EXPECT_EQ(Find(installed, notRead), nullptr);
    DriverPackage unversioned = Source();
    unversioned.Version.clear();
    EXPECT_EQ(Find(installed, unversioned), nullptr);

    DriverPackage unlocated = Installed();
    unlocated.OriginalFileName = (temp.Path() / L"elsewhere\\wifi.inf").wstring();
    unlocated.Date.clear();  // so the store is not scanned
    EXPECT_EQ(Find({unlocated}, Source()), nullptr);
}

TEST_F(InstalledMatchTest, DifferentBytesAreAnotherPackage) {
    const std::vector<DriverPackage> installed{Installed()};
    test::WriteFileBytes(sourceFolder / L"wifi.cat", "catalog, signed again");
    EXPECT_EQ(Find(installed, Source()), nullptr);
    test::WriteFileBytes(sourceFolder / L"wifi.cat", "catalog");
    ASSERT_NE(Find(installed, Source()), nullptr);
    test::WriteFileBytes(sourceFolder / L"wifi.inf", std::string(kInf) + "; edited\r\n");
    EXPECT_EQ(Find(installed, Source()), nullptr);
    fs::remove(sourceFolder / L"wifi.cat");
    Write(L"wifi.inf", kInf);
    EXPECT_EQ(Find(installed, Source()), nullptr) << "the source lacks the catalog";
}
