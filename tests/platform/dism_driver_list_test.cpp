// DISM's package list read through the program's own DismSession and
// ReadDismDriverPackages, over fixture Driver Stores whose content is known.
#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "current_windows_seed.h"
#include "fixture_inf.h"
#include "platform/dism_session.h"
#include "platform/driver_package.h"
#include "test_support.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;
using namespace sim;

namespace {

constexpr wchar_t kDisplayGuid[] = L"{4d36e968-e325-11ce-bfc1-08002be10318}";
constexpr wchar_t kUnknownClassGuid[] = L"{6f1e2d3c-4b5a-4968-8776-a5b4c3d2e1f0}";

FixturePackage Package(const wchar_t* published, const wchar_t* inf, const wchar_t* version, FixtureDate date) {
    FixturePackage package;
    package.PublishedName = published;
    package.InfName = inf;
    package.Provider = L"Quelltide Graphics";
    package.ClassName = L"Display";
    package.ClassGuid = kDisplayGuid;
    package.CatalogFile = L"qtgfx.cat";
    package.Version = version;
    package.Date = date;
    package.Models = {{L"NTamd64", {L"PCI\\VEN_1F3A&DEV_7A20"}}};
    package.DriverFiles = {{L"qtgfx.sys", 2048}};
    return package;
}

std::wstring IsoDate(const FixtureDate& date) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return text;
}

std::wstring StoreFolderOf(const FixturePackage& package) {
    std::wstring name;
    std::wstring error;
    EXPECT_TRUE(FixtureStoreFolderName(package, name, error)) << error;
    return name;
}

// The fields a DISM record takes over from the package unchanged.
void ExpectDeclaredFields(const DriverPackage& record, const FixturePackage& declared) {
    SCOPED_TRACE(declared.PublishedName);
    EXPECT_EQ(record.PublishedName, declared.PublishedName);
    EXPECT_EQ(record.CatalogFile, declared.CatalogFile);
    EXPECT_EQ(record.ClassName, declared.ClassName);
    EXPECT_EQ(record.ClassGuid, declared.ClassGuid);
    EXPECT_EQ(record.Date, IsoDate(declared.Date));
    EXPECT_FALSE(record.InBox);
    EXPECT_TRUE(IsOemPackage(record));
    EXPECT_EQ(record.BootCritical, declared.Service && declared.Service->StartType == SERVICE_BOOT_START);
    EXPECT_TRUE(record.OriginalInfName.empty() && record.InfPath.empty() && record.HardwareIds.empty());
    EXPECT_FALSE(record.Checked);
    EXPECT_EQ(record.SizeBytes, 0u);
}

std::vector<std::wstring> PublishedNames(const std::vector<DriverPackage>& records) {
    std::vector<std::wstring> names;
    for (const DriverPackage& record : records) names.push_back(record.PublishedName);
    return names;
}

// Counts lines of the DISM log that start with `call`.
size_t CountCalls(const std::string& log, const std::string& call) {
    size_t count = 0;
    for (size_t at = log.find(call); at != std::string::npos; at = log.find(call, at + 1)) {
        if (at == 0 || log[at - 1] == '\n') ++count;
    }
    return count;
}

class DismDriverListTest : public ::testing::Test {
protected:
    void SetUp() override {
        logPath = folder.Path() / L"Quillbay-DISM.log";
        std::wstring error;
        ASSERT_TRUE(session.Initialize(logPath.wstring(), error)) << error;
    }

    std::vector<DriverPackage> Read(const std::wstring& image) {
        std::vector<DriverPackage> records;
        DismSessionScope scope(session);
        std::wstring error;
        EXPECT_TRUE(scope.Open(image, error)) << error;
        EXPECT_TRUE(ReadDismDriverPackages(session, scope.Handle(), records, error)) << error;
        return records;
    }

    test::TempFolder folder{L"qbdism"};
    fs::path logPath;
    DismSession session;
};

}  // namespace

TEST_F(DismDriverListTest, OfflineStoreBecomesRecordsInPublishedOrder) {
    FixturePackage older = Package(L"oem3.inf", L"qtgfx.inf", L"27.20.100.8681", {2020, 7, 15});
    FixturePackage newer = Package(L"oem12.inf", L"qtgfx.inf", L"31.0.101.4502", {2023, 6, 12});
    FixturePackage storage = Package(L"oem4.inf", L"owstor.inf", L"18.7.6", {2022, 9, 30});
    storage.ClassName = L"SCSIAdapter";
    storage.ClassGuid = L"{4d36e97b-e325-11ce-bfc1-08002be10318}";
    storage.Service = FixtureService{L"owstor", SERVICE_BOOT_START};
    FixturePackage anonymous = Package(L"oem20.inf", L"anon.inf", L"1.0.0.0", {2018, 4, 23});
    anonymous.Provider.clear();
    anonymous.ClassName.clear();
    anonymous.ClassGuid.clear();
    anonymous.CatalogFile.clear();
    FixturePackage stale = Package(L"oem5.inf", L"stale.inf", L"2.0.0.0", {2021, 1, 1});
    stale.Published = PublishedInf::Different;
    FixturePackage russian = Package(L"oem9.inf", L"ruscam.inf", L"4.3.2.1", {2021, 11, 30});
    russian.Provider = L"Северная оптика";
    russian.ClassName = L"Camera";
    russian.ClassGuid = L"{ca3e7ab9-b4c3-4ae6-8251-579ef933890f}";
    russian.Utf16Inf = true;

    FixtureWindows windows;
    windows.Packages = {older, newer, storage, anonymous, stale, russian};
    windows.ImageDrive = L"D:";
    const fs::path root = folder.Path() / L"offline";
    std::wstring error;
    ASSERT_TRUE(BuildWindowsRoot(windows, root.wstring(), error)) << error;

    const std::vector<DriverPackage> records = Read(root.wstring() + L"\\");
    ASSERT_EQ(PublishedNames(records),
              (std::vector<std::wstring>{L"oem3.inf", L"oem4.inf", L"oem9.inf", L"oem12.inf", L"oem20.inf"}));

    ExpectDeclaredFields(records[0], older);
    EXPECT_EQ(records[0].Version, L"27.20.100.8681");
    EXPECT_EQ(records[0].Provider, L"Quelltide Graphics");
    EXPECT_EQ(records[0].ClassDescription, L"Display") << "no description offline: the class name stands in";
    EXPECT_EQ(records[0].OriginalFileName,
              L"D:\\Windows\\System32\\DriverStore\\FileRepository\\" + StoreFolderOf(older) + L"\\qtgfx.inf");

    ExpectDeclaredFields(records[1], storage);
    EXPECT_EQ(records[1].Version, L"18.7.6.0");
    EXPECT_TRUE(records[1].BootCritical);

    ExpectDeclaredFields(records[2], russian);
    EXPECT_EQ(records[2].Provider, L"Северная оптика");

    ExpectDeclaredFields(records[3], newer);
    EXPECT_EQ(records[3].Version, L"31.0.101.4502");
    EXPECT_EQ(CompareVersions(records[3].Version, records[0].Version), 1);
    EXPECT_EQ(CompareVersions(records[3].Date, records[0].Date), 1);

    ExpectDeclaredFields(records[4], anonymous);
    EXPECT_EQ(records[4].Provider, L"Поставщик не указан");
    EXPECT_EQ(records[4].ClassDescription, L"Другие устройства");

    session.Shutdown();
    const std::string log = test::ReadFileBytes(logPath);
    EXPECT_EQ(CountCalls(log, "DismOpenSession("), 1u) << log;
    EXPECT_EQ(CountCalls(log, "DismGetDrivers("), 1u);
    EXPECT_EQ(CountCalls(log, "DismCloseSession("), 1u);
    EXPECT_EQ(CountCalls(log, "DismCloseSession(0)"), 0u);
    EXPECT_NE(log.find("DismGetDrivers(1, FALSE) -> 0x00000000"), std::string::npos) << "out-of-box packages only";
    EXPECT_NE(log.find("0 results not released"), std::string::npos) << "the package array went back to DISM";
}

TEST_F(DismDriverListTest, FailedListingKeepsTheOutputAndExplains) {
    std::vector<DriverPackage> records(1);
    records[0].PublishedName = L"oem1.inf";
    std::wstring error;
    EXPECT_FALSE(ReadDismDriverPackages(session, 4711, records, error));
    EXPECT_EQ(error, L"DismGetDrivers: 0xC0040004 \u2014 Session 4711 is not open.");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].PublishedName, L"oem1.inf");

    // An empty store is an empty list, not a failure.
    const fs::path root = folder.Path() / L"empty";
    ASSERT_TRUE(BuildWindowsRoot({}, root.wstring(), error)) << error;
    EXPECT_TRUE(Read(root.wstring()).empty());
}

TEST_F(DismDriverListTest, CurrentWindowsTakesClassDescriptionsFromItsRegistry) {
    FixturePackage described = Package(L"oem9101.inf", L"qtseed.inf", L"30.0.101.1340", {2022, 1, 20});
    described.ClassDescription = L"Видеоадаптеры";
    described.Utf16Inf = true;
    FixturePackage undescribed = Package(L"oem9102.inf", L"qtmystery.inf", L"1.2.3.4", {2019, 11, 5});
    undescribed.ClassName = L"QuelltideWidgets";
    undescribed.ClassGuid = kUnknownClassGuid;
    undescribed.Service = FixtureService{L"qtmystery", SERVICE_BOOT_START};
    FixtureWindows windows;
    windows.Packages = {undescribed, described};

    const std::wstring classKey = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Class\\") + kDisplayGuid;
    auto displayDescription = [&]() {
        wchar_t value[256] = {};
        DWORD bytes = sizeof(value);
        const LSTATUS status =
            ::RegGetValueW(HKEY_LOCAL_MACHINE, classKey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &bytes);
        return status == ERROR_SUCCESS ? std::wstring(value) : L"<absent " + std::to_wstring(status) + L">";
    };
    const std::wstring before = displayDescription();

    SeededCurrentWindows seeded;
    std::wstring error;
    ASSERT_TRUE(SeedCurrentWindows(windows, seeded, error)) << error;
    std::vector<DriverPackage> ours;
    for (DriverPackage& record : Read(dism::kOnlineImage)) {
        if (record.PublishedName == L"oem9101.inf" || record.PublishedName == L"oem9102.inf") {
            ours.push_back(std::move(record));
        }
    }
    EXPECT_TRUE(RemoveSeededCurrentWindows(seeded, error)) << error;

    ASSERT_EQ(PublishedNames(ours), (std::vector<std::wstring>{L"oem9101.inf", L"oem9102.inf"}));
    ExpectDeclaredFields(ours[0], described);
    EXPECT_EQ(ours[0].ClassDescription, L"Видеоадаптеры");
    wchar_t windowsFolder[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryW(windowsFolder, MAX_PATH), 0u);
    EXPECT_EQ(ours[0].OriginalFileName, std::wstring(windowsFolder) + L"\\System32\\DriverStore\\FileRepository\\" +
                                            StoreFolderOf(described) + L"\\qtseed.inf");
    ExpectDeclaredFields(ours[1], undescribed);
    EXPECT_EQ(ours[1].ClassDescription, L"QuelltideWidgets");
    EXPECT_TRUE(ours[1].BootCritical);

    // Removal restores the running system as it was.
    EXPECT_EQ(displayDescription(), before);
    EXPECT_FALSE(fs::exists(fs::path(windowsFolder) / L"INF" / L"oem9101.inf"));
    EXPECT_FALSE(
        fs::exists(fs::path(windowsFolder) / L"System32\\DriverStore\\FileRepository" / StoreFolderOf(described)));
}
