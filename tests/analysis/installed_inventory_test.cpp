// The inventory over fixture Windows roots and the seeded running system,
// through the program's DISM session and the stand-in DismApi.dll.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/installed_inventory.h"
#include "current_windows_seed.h"
#include "fixture_inf.h"
#include "platform/dism_session.h"
#include "platform/driver_store_locator.h"
#include "platform/package_size.h"
#include "platform/package_text.h"
#include "platform/store_read_ahead.h"
#include "test_support.h"
#include "windows_releases.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;
using namespace sim;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

FixturePackage Package(const std::wstring& published, const std::wstring& inf, std::vector<FixtureModels> models) {
    FixturePackage package;
    package.PublishedName = published;
    package.InfName = inf;
    package.Provider = L"Quelltide Devices";
    package.ClassName = L"Net";
    package.ClassGuid = L"{4d36e972-e325-11ce-bfc1-08002be10318}";
    package.Version = L"2.5.0.7";
    package.Date = {2022, 3, 14};
    package.Models = std::move(models);
    return package;
}

// What the inventory must make of one fixture package.
struct Expected {
    std::wstring Published;
    std::wstring InfName;
    std::vector<std::wstring> Ids;
    bool Complete;
    bool HasModels;
};

void ExpectRecords(const std::vector<DriverPackage>& records, const std::vector<Expected>& expected) {
    ASSERT_EQ(records.size(), expected.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const DriverPackage& record = records[i];
        const Expected& want = expected[i];
        SCOPED_TRACE(want.Published);
        EXPECT_EQ(record.PublishedName, want.Published);
        EXPECT_EQ(record.OriginalInfName, want.InfName);
        EXPECT_THAT(record.HardwareIds, ElementsAreArray(want.Ids));
        EXPECT_EQ(record.HardwareIdsComplete, want.Complete);
        EXPECT_EQ(record.HasModelsSection, want.HasModels);
        EXPECT_TRUE(record.InfPath.empty());
        EXPECT_EQ(record.SizeBytes, 0u);
        EXPECT_FALSE(record.Checked);
    }
}

class InstalledInventoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring error;
        ASSERT_TRUE(dism.Initialize((temp.Path() / L"dism.log").wstring(), error)) << error;
    }

    std::wstring BuildRoot(const FixtureWindows& windows, const std::wstring& name) {
        const std::wstring root = (temp.Path() / name).wstring() + L"\\";
        std::wstring error;
        EXPECT_TRUE(BuildWindowsRoot(windows, root, error)) << error;
        return root;
    }

    OperationCallbacks Callbacks() {
        OperationCallbacks callbacks;
        callbacks.LogLine = [this](const std::wstring& text) { logged.push_back(text); };
        callbacks.Progress = [this](const std::wstring& text, int percent) {
            EXPECT_EQ(text, GetText(3, 95));
            percents.push_back(percent);
        };
        callbacks.Cancelled = [this] { return cancelAfterQueries >= 0 && cancelQueries++ >= cancelAfterQueries; };
        return callbacks;
    }

    InstalledInventory Read(bool current, const std::wstring& root) {
        InstalledInventory result;
        percents.clear();
        logged.clear();
        ReadInstalledPackages(dism, current, root, 3, Callbacks(), result,
                              [&](const std::vector<DriverPackage>& packages) {
                                  EXPECT_FALSE(result.Done);
                                  handedOver = packages.size();
                              });
        return result;
    }

    test::TempFolder temp{L"qbinventory"};
    DismSession dism;
    std::vector<int> percents;
    std::vector<std::wstring> logged;
    int cancelAfterQueries = -1;
    int cancelQueries = 0;
    std::size_t handedOver = 0;
};

const std::vector<FixtureModels> kPlainModels = {{L"NTamd64", {L"PCI\\VEN_1F3A&DEV_0001"}}};

// Eleven packages (ten of them DISM packages) whose INFs cover what the reading has to cope with.
std::vector<FixturePackage> OfflinePackages() {
    FixturePackage gfx = Package(L"oem2.inf", L"qtgfx.inf",
                                 {{L"NTx86", {L"PCI\\VEN_1F3A&DEV_0086"}},
                                  {L"NTamd64", {L"\"pci\\ven_8086&dev_1234\"", L"pci\\ven_10de&dev_1c82",
                                                L"PCI\\VEN_10DE&DEV_1C82"}},
                                  {L"NTarm64", {L"PCI\\VEN_1F3A&DEV_00A6"}}});
    gfx.ClassName = L"Display";
    gfx.DriverFiles = {{L"qtgfx.sys", 4096}};
    FixturePackage suite = Package(L"oem3.inf", L"suite.inf",
                                   {{L"NTamd64.10.0.1.0x10", {L"PCI\\VEN_1F3A&DEV_0010"}},
                                    {L"NTamd64.10.0...19041", {L"PCI\\VEN_1F3A&DEV_0011"}}});
    FixturePackage broken = Package(L"oem4.inf", L"broken.inf",
                                    {{L"NTamd64", {L"pci\\ven_1f3a&dev_0041", L"ROOT_WITHOUT_BACKSLASH",
                                                   L"PCI\\VEN_1F3A&DEV_0043"}}});
    FixturePackage russian = Package(L"oem5.inf", L"ruscam.inf", {{L"NTamd64", {L"USB\\VID_2A1B&PID_0C01"}}});
    russian.Provider = L"Северная оптика";
    russian.Utf16Inf = true;
    FixturePackage fiveParts = Package(L"oem6.inf", L"fivepart.inf", kPlainModels);
    fiveParts.Version = L"5.4.3.2.1";  // DISM keeps four parts, so the INF is not the same version
    fiveParts.ExtensionId = L"{5a1c7e0d-8a5e-4c1a-9f3b-2d7c6e5f4a31}";
    FixturePackage short3 = Package(L"oem7.inf", L"short.inf", kPlainModels);
    short3.Version = L"18.7.6";
    short3.ExtensionId = L"{0b5e3d7c-1f2a-4e6b-8c9d-0a1b2c3d4e5f}";
    FixturePackage impossibleDate = Package(L"oem8.inf", L"feb31.inf", kPlainModels);
    impossibleDate.Date = {2020, 2, 31};
    FixturePackage bare = Package(L"oem9.inf", L"nomodels.inf", {});
    FixturePackage stale = Package(L"oem10.inf", L"stale.inf", kPlainModels);
    stale.Published = PublishedInf::Different;  // not a package at all
    FixturePackage late = Package(L"oem11.inf", L"late.inf", kPlainModels);
    FixturePackage highest = Package(L"oem13.inf", L"highest.inf", {{L"NTamd64", {L"PCI\\VEN_1F3A&DEV_0013"}}});
    return {late, gfx, suite, broken, russian, fiveParts, short3, impossibleDate, bare, stale, highest};
}

}  // namespace

TEST_F(InstalledInventoryTest, OfflineRecordsCompletedFromTheirInfs) {
    FixtureWindows windows;
    windows.Packages = OfflinePackages();
    // Devices of the image use two of the packages (one named in other case) and an in-box INF.
    const std::wstring net = L"{4d36e972-e325-11ce-bfc1-08002be10318}";
    windows.DriverKeys = {{net, L"oem2.inf"}, {net, L"OEM7.INF"}, {net, L"oem2.inf"}, {net, L"netrtl.inf"}};
    const std::wstring root = BuildRoot(windows, L"amd64");
    const InstalledInventory result = Read(false, root);
    ASSERT_TRUE(result.Done) << result.Error;
    EXPECT_EQ(result.Error, L"");
    ASSERT_TRUE(result.Usage.has_value()) << "bindings come from the image's SYSTEM hive";
    EXPECT_EQ(result.Usage->AssociatedCount, 2u);
    EXPECT_FALSE(result.Usage->RunningCount.has_value()) << "an offline image has no running devices";

    const std::vector<std::wstring> plain = {L"PCI\\VEN_1F3A&DEV_0001"};
    ExpectRecords(result.Packages,
                  {{L"oem2.inf", L"qtgfx.inf", {L"PCI\\VEN_10DE&DEV_1C82", L"PCI\\VEN_8086&DEV_1234"}, true, true},
                   {L"oem3.inf", L"suite.inf", {}, false, false},
                   {L"oem4.inf", L"broken.inf", {L"PCI\\VEN_1F3A&DEV_0041"}, false, true},
                   {L"oem5.inf", L"ruscam.inf", {L"USB\\VID_2A1B&PID_0C01"}, true, true},
                   {L"oem6.inf", L"fivepart.inf", {}, false, false},
                   {L"oem7.inf", L"short.inf", plain, true, true},
                   {L"oem8.inf", L"feb31.inf", plain, true, true},
                   {L"oem9.inf", L"nomodels.inf", {}, false, false},
                   {L"oem11.inf", L"late.inf", plain, true, true},
                   {L"oem13.inf", L"highest.inf", {L"PCI\\VEN_1F3A&DEV_0013"}, true, true}});
    EXPECT_EQ(result.Packages[3].Provider, L"Северная оптика");
    EXPECT_EQ(result.Packages[4].Version, L"5.4.3.2");
    EXPECT_EQ(result.Packages[4].ExtensionId, L"") << "taken only from an INF of the same version";
    EXPECT_EQ(result.Packages[5].ExtensionId, L"{0b5e3d7c-1f2a-4e6b-8c9d-0a1b2c3d4e5f}");
    EXPECT_EQ(result.Packages[6].Date, L"") << "DISM has no date for 31 February";
    EXPECT_EQ(handedOver, 10u);
    EXPECT_EQ(percents, (std::vector<int>{0, 6, 12, 18, 24, 30, 36, 42, 48, 54}));
}

TEST_F(InstalledInventoryTest, ModelsSectionsFollowTheOfflinePlatform) {
    // One [Manufacturer] line as vendors write it: each root gets the one section for its release and machine.
    FixturePackage multi = Package(L"oem1.inf", L"multi.inf",
                                   {{L"NTx86", {L"PCI\\VEN_1F3A&DEV_0086"}},
                                    {L"NTamd64", {L"PCI\\VEN_1F3A&DEV_0064"}},
                                    {L"NTarm64", {L"PCI\\VEN_1F3A&DEV_00A6"}},
                                    {L"NTamd64.6.3", {L"PCI\\VEN_1F3A&DEV_0603"}},
                                    {L"NTamd64.10.0...22000", {L"PCI\\VEN_1F3A&DEV_2200"}}});
    struct Case {
        const wchar_t* Name;
        WindowsRelease Release;
        FixtureMachine Machine;
        bool Kernel;
        std::vector<std::wstring> Ids;
    };
    const std::vector<std::wstring> x86 = {L"PCI\\VEN_1F3A&DEV_0086"};
    const std::vector<std::wstring> arm64 = {L"PCI\\VEN_1F3A&DEV_00A6"};
    const Case cases[] = {
        {L"7-x86", WindowsRelease::Windows7, FixtureMachine::X86, true, x86},
        {L"7-amd64", WindowsRelease::Windows7, FixtureMachine::Amd64, true, {L"PCI\\VEN_1F3A&DEV_0064"}},
        {L"8.1-x86", WindowsRelease::Windows81, FixtureMachine::X86, true, x86},
        {L"8.1-amd64", WindowsRelease::Windows81, FixtureMachine::Amd64, true, {L"PCI\\VEN_1F3A&DEV_0603"}},
        {L"10-x86", WindowsRelease::Windows10, FixtureMachine::X86, true, x86},
        {L"10-amd64", WindowsRelease::Windows10, FixtureMachine::Amd64, true, {L"PCI\\VEN_1F3A&DEV_0603"}},
        {L"10-arm64", WindowsRelease::Windows10, FixtureMachine::Arm64, true, arm64},
        {L"11-amd64", WindowsRelease::Windows11, FixtureMachine::Amd64, true, {L"PCI\\VEN_1F3A&DEV_2200"}},
        {L"11-arm64", WindowsRelease::Windows11, FixtureMachine::Arm64, true, arm64},
        {L"nokernel", WindowsRelease::Windows10, FixtureMachine::Amd64, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FixtureWindows windows = ReleaseWindows(c.Release, c.Machine);
        windows.Packages = {multi};
        windows.WriteKernel = c.Kernel;
        const std::wstring root = BuildRoot(windows, c.Name);
        const InstalledInventory result = Read(false, root);
        ASSERT_TRUE(result.Done) << result.Error;
        // Without the kernel the architecture is unknown, nothing is read, and the log says why.
        ExpectRecords(result.Packages, {{L"oem1.inf", L"multi.inf", c.Ids, c.Kernel, c.Kernel}});
        EXPECT_EQ(logged, c.Kernel ? std::vector<std::wstring>{}
                                   : std::vector<std::wstring>{L"Windows в " + root +
                                                               L" прочитана не полностью, не удалось прочитать: "
                                                               L"ntoskrnl.exe"});
        EXPECT_FALSE(result.Usage.has_value()) << "an image without driver keys gives no verified bindings";
    }
}

TEST_F(InstalledInventoryTest, StoreOfAnotherDriveIsFoundUnderTheRoot) {
    // The image believes it lives on C:, where the running system holds a
    // folder of the same name with other hardware IDs; only the root's counts.
    FixturePackage edge = Package(L"oem1.inf", L"edge.inf", {{L"NTamd64", {L"PCI\\VEN_1F3A&DEV_0E01"}}});
    edge.StoreHash = L"00000000e06e0001";
    FixturePackage planted = edge;
    planted.Models = {{L"NTamd64", {L"PCI\\VEN_BAD0&DEV_0E01"}}};
    planted.Published = PublishedInf::Absent;
    FixtureWindows running;
    running.Packages = {planted};
    SeededCurrentWindows seeded;
    std::wstring error;
    ASSERT_TRUE(SeedCurrentWindows(running, seeded, error)) << error;

    FixtureWindows windows;
    windows.Packages = {edge, Package(L"oem2.inf", L"feb31.inf", kPlainModels)};
    windows.Packages[1].Date = {2020, 2, 31};
    windows.ImageDrive = L"C:";
    const std::wstring root = BuildRoot(windows, L"moved");
    const InstalledInventory result = Read(false, root);
    EXPECT_TRUE(RemoveSeededCurrentWindows(seeded, error)) << error;

    ASSERT_TRUE(result.Done) << result.Error;
    ASSERT_EQ(result.Packages.size(), 2u);
    std::wstring folder;
    ASSERT_TRUE(FixtureStoreFolderName(edge, folder, error));
    EXPECT_EQ(result.Packages[0].OriginalFileName,
              L"C:\\Windows\\System32\\DriverStore\\FileRepository\\" + folder + L"\\edge.inf");
    // Without a date the rebased folder cannot be confirmed, so the record keeps its DISM data.
    ExpectRecords(result.Packages, {{L"oem1.inf", L"edge.inf", {L"PCI\\VEN_1F3A&DEV_0E01"}, true, true},
                                    {L"oem2.inf", L"feb31.inf", {}, false, false}});
    EXPECT_EQ(result.Packages[0].ClassName, L"Net");
}

TEST_F(InstalledInventoryTest, RunningSystemAndItsPackageSizes) {
    FixturePackage wifi = Package(L"oem9401.inf", L"qtwifi.inf",
                                  {{L"NTx86", {L"PCI\\VEN_1F3A&DEV_0086"}},
                                   {L"NTamd64", {L"pci\\ven_1f3a&dev_9401", L"\"PCI\\VEN_1F3A&DEV_9402\""}}});
    wifi.ClassDescription = L"Сетевые адаптеры";
    wifi.DriverFiles = {{L"qtwifi.sys", 70000}, {L"x64\\qtwifi.dll", 5000}};
    FixturePackage other = Package(L"oem9402.inf", L"qtother.inf", kPlainModels);
    other.Utf16Inf = true;
    other.Provider = L"Кварц";
    FixtureWindows windows;
    windows.Packages = {other, wifi};
    SeededCurrentWindows seeded;
    std::wstring error;
    ASSERT_TRUE(SeedCurrentWindows(windows, seeded, error)) << error;

    wchar_t windowsFolder[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryW(windowsFolder, MAX_PATH), 2u);
    const std::wstring root = std::wstring(windowsFolder, 2) + L"\\";
    InstalledInventory result = Read(true, root);
    std::vector<DriverPackage> ours;
    for (const DriverPackage& record : result.Packages)
        if (record.PublishedName == L"oem9401.inf" || record.PublishedName == L"oem9402.inf") ours.push_back(record);
    PackageSizeCache cache;
    ComputePackageSizes(ours, root, cache, 1, {});
    DriverPackage console = ours.empty() ? DriverPackage() : ours.back();
    console.SizeBytes = 0;
    EnrichPackage(console, root, true, nullptr);
    // Read ahead, or stopped before it began, the record comes out the same; a
    // reading is handed out once, and one nobody took stays.
    struct AheadRun {
        DriverPackage Record;
        bool UsedOneLeft = false;
        bool OtherLeft = false;
    } aheadRuns[2];
    for (const bool stopped : {false, true}) {
        StoreReadAhead ahead;
        ahead.ReadUntil(root, nullptr, std::atomic<bool>(stopped));
        DriverStoreLocator locator(root);
        AheadRun& run = aheadRuns[stopped];
        run.Record = ours.empty() ? DriverPackage() : ours.back();
        run.Record.SizeBytes = 0;
        run.Record.HardwareIds.clear();
        const fs::path folder = EnrichPackage(run.Record, locator, true, nullptr, &ahead);
        ReadAheadInf left;
        run.UsedOneLeft = ahead.TakeInf((folder / L"qtother.inf").wstring(), left);
        const std::wstring wifiFolder = ours.empty() ? L"" : locator.Locate(ours.front());
        run.OtherLeft = ahead.TakeInf((fs::path(wifiFolder) / L"qtwifi.inf").wstring(), left) &&
                        left.Models.Ids == ours.front().HardwareIds;
    }
    EXPECT_TRUE(RemoveSeededCurrentWindows(seeded, error)) << error;

    ASSERT_TRUE(result.Done) << result.Error;
    EXPECT_EQ(handedOver, result.Packages.size());
    ASSERT_EQ(ours.size(), 2u);
    EXPECT_EQ(ours[0].ClassDescription, L"Сетевые адаптеры");
    EXPECT_EQ(ours[0].OriginalInfName, L"qtwifi.inf");
    EXPECT_THAT(ours[0].HardwareIds, ElementsAre(L"PCI\\VEN_1F3A&DEV_9401", L"PCI\\VEN_1F3A&DEV_9402"));
    EXPECT_TRUE(ours[0].HardwareIdsComplete);
    EXPECT_EQ(ours[1].Provider, L"Кварц");
    EXPECT_THAT(ours[1].HardwareIds, ElementsAre(L"PCI\\VEN_1F3A&DEV_0001"));

    std::string inf;
    ASSERT_TRUE(RenderFixtureInf(wifi, inf, error));
    const std::uint64_t wifiBytes = inf.size() + 70000 + 5000;
    EXPECT_EQ(ours[0].SizeBytes, wifiBytes);
    ASSERT_TRUE(RenderFixtureInf(other, inf, error));
    EXPECT_EQ(ours[1].SizeBytes, inf.size());
    EXPECT_EQ(console.SizeBytes, inf.size()) << "the console measures while it completes";
    EXPECT_EQ(console.HardwareIds, ours[1].HardwareIds);
    for (const bool stopped : {false, true}) {
        const AheadRun& run = aheadRuns[stopped];
        EXPECT_EQ(run.Record.SizeBytes, inf.size()) << stopped;
        EXPECT_EQ(run.Record.HardwareIds, ours[1].HardwareIds) << stopped;
        EXPECT_FALSE(run.UsedOneLeft) << stopped;
        EXPECT_EQ(run.OtherLeft, !stopped);
    }
}

TEST_F(InstalledInventoryTest, FailuresAndCancellation) {
    const fs::path notWindows = temp.Path() / L"empty-folder";
    fs::create_directories(notWindows);
    InstalledInventory failed = Read(false, notWindows.wstring());
    EXPECT_FALSE(failed.Done);
    EXPECT_NE(failed.Error.find(L"0x80070003"), std::wstring::npos) << failed.Error;
    EXPECT_TRUE(failed.Packages.empty());

    const std::wstring emptyRoot = BuildRoot({}, L"nothing");
    const InstalledInventory empty = Read(false, emptyRoot);
    EXPECT_TRUE(empty.Done);
    EXPECT_TRUE(empty.Packages.empty());
    EXPECT_TRUE(percents.empty());

    // A cancel while DISM lists: no record is completed.
    FixtureWindows windows;
    windows.Packages = {Package(L"oem1.inf", L"a.inf", kPlainModels), Package(L"oem2.inf", L"b.inf", kPlainModels)};
    const std::wstring root = BuildRoot(windows, L"two");
    cancelAfterQueries = 0;
    InstalledInventory cancelled;
    EXPECT_THROW(ReadInstalledPackages(dism, false, root, 3, Callbacks(), cancelled), OperationCancelled);
    EXPECT_FALSE(cancelled.Done);
    ASSERT_EQ(cancelled.Packages.size(), 2u);
    EXPECT_EQ(cancelled.Packages[0].OriginalInfName, L"");
    EXPECT_TRUE(percents.empty());

    // A cancel during the last package ends the job after it.
    cancelAfterQueries = 2;
    cancelQueries = 0;
    EXPECT_THROW(ReadInstalledPackages(dism, false, root, 3, Callbacks(), cancelled), OperationCancelled);
    EXPECT_EQ(percents, (std::vector<int>{0, 30}));
    EXPECT_EQ(cancelled.Packages[1].OriginalInfName, L"b.inf");

    // With no packages the only checkpoint is the last one.
    cancelAfterQueries = 0;
    cancelQueries = 0;
    InstalledInventory none;
    EXPECT_THROW(ReadInstalledPackages(dism, false, emptyRoot, 3, Callbacks(), none), OperationCancelled);
    EXPECT_FALSE(none.Done);
}
