// The hives a fixture root carries, read back through the program's own hive
// access: what the description puts into SOFTWARE and SYSTEM, and what it leaves out.
#include "fixture_hives.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>
#include <set>
#include <string>

#include "platform/offline_hive.h"
#include "test_support.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;
using namespace sim;

namespace {

constexpr wchar_t kNetGuid[] = L"{4d36e972-e325-11ce-bfc1-08002be10318}";
constexpr wchar_t kDisplayGuid[] = L"{4d36e968-e325-11ce-bfc1-08002be10318}";
constexpr wchar_t kSystemGuid[] = L"{4d36e97d-e325-11ce-bfc1-08002be10318}";

FixturePackage Package(const wchar_t* published, const wchar_t* className, const wchar_t* guid,
                       const wchar_t* description) {
    FixturePackage package;
    package.PublishedName = published;
    package.InfName = L"fixture.inf";
    package.ClassName = className;
    package.ClassGuid = guid;
    package.ClassDescription = description;
    package.Models = {{L"NTamd64", {L"PCI\\VEN_7A11&DEV_0001"}}};
    return package;
}

// A built root with one hive loaded from it.
class LoadedHive {
public:
    LoadedHive(const FixtureWindows& windows, const wchar_t* hiveName) : folder_(L"qbhive") {
        std::wstring error;
        EXPECT_TRUE(BuildWindowsRoot(windows, folder_.Path().wstring(), error)) << testing::PrintToString(error);
        path_ = folder_.Path() / L"Windows\\System32\\Config" / hiveName;
        HiveLoadFailure failure;
        EXPECT_TRUE(hive_.Load(path_.wstring(), false, failure)) << failure.Code;
    }
    [[nodiscard]] const fs::path& Path() const { return path_; }
    [[nodiscard]] OfflineKey Open(std::wstring_view key) const {
        OfflineKey opened;
        const LSTATUS status = hive_.Root().OpenSubkey(key, opened);
        EXPECT_EQ(status, ERROR_SUCCESS) << testing::PrintToString(std::wstring(key));
        return opened;
    }
    [[nodiscard]] bool Has(std::wstring_view key) const {
        OfflineKey opened;
        return hive_.Root().OpenSubkey(key, opened) == ERROR_SUCCESS;
    }

private:
    test::TempFolder folder_;
    fs::path path_;
    OfflineHive hive_;
};

std::wstring String(const OfflineKey& key, const wchar_t* name, DWORD flags = RRF_RT_REG_SZ) {
    std::wstring value;
    const LSTATUS status = key.GetString(name, flags, 4096, value);
    return status == ERROR_SUCCESS ? value : L"<error " + std::to_wstring(status) + L">";
}

DWORD Dword(const OfflineKey& key, const wchar_t* name) {
    DWORD value = 0xDEAD;
    EXPECT_EQ(key.GetDword(name, value), ERROR_SUCCESS) << testing::PrintToString(std::wstring(name));
    return value;
}

LSTATUS Presence(const OfflineKey& key, const wchar_t* name) {
    return key.GetValue(name, RRF_RT_ANY | RRF_NOEXPAND, nullptr, nullptr, nullptr);
}

std::set<std::wstring> Subkeys(const OfflineKey& key) {
    std::set<std::wstring> names;
    std::wstring name;
    for (DWORD index = 0; key.EnumSubkey(index, name) == ERROR_SUCCESS; ++index) names.insert(name);
    return names;
}

}  // namespace

TEST(FixtureHives, SystemHiveHoldsSelectProductOptionsAndClassDrivers) {
    FixtureWindows windows;
    windows.Packages = {Package(L"oem1.inf", L"Net", kNetGuid, L"Network adapters"),
                        Package(L"oem3.inf", L"Display", kDisplayGuid, L"Display adapters"),
                        Package(L"oem4.inf", L"Net", kNetGuid, L"Network adapters")};
    windows.CurrentControlSet = 3;
    windows.ProductType = L"ServerNT";
    std::wstring upperNet = kNetGuid;
    for (wchar_t& c : upperNet) c = static_cast<wchar_t>(std::towupper(c));
    windows.DriverKeys = {
        {kNetGuid, L"oem1.inf", FixtureInfPathForm::String},
        {kDisplayGuid, L"oem3.inf", FixtureInfPathForm::ExpandString},
        {upperNet, L"net1ix64.inf", FixtureInfPathForm::String},
        {kDisplayGuid, L"", FixtureInfPathForm::Absent},
        {kSystemGuid, L"", FixtureInfPathForm::Dword},
    };
    const LoadedHive system(windows, L"SYSTEM");

    const OfflineKey select = system.Open(L"Select");
    EXPECT_EQ(Dword(select, L"Current"), 3u);
    EXPECT_EQ(Dword(select, L"Default"), 3u);
    EXPECT_EQ(Dword(select, L"LastKnownGood"), 3u);
    EXPECT_EQ(Dword(select, L"Failed"), 0u);
    EXPECT_FALSE(system.Has(L"ControlSet001")) << "only the control set Select names";
    EXPECT_FALSE(system.Has(L"CurrentControlSet")) << "a link of the running registry, never in a hive file";
    EXPECT_EQ(String(system.Open(L"ControlSet003\\Control\\ProductOptions"), L"ProductType"), L"ServerNT");

    const std::wstring classes = L"ControlSet003\\Control\\Class\\";
    EXPECT_EQ(Subkeys(system.Open(classes)), (std::set<std::wstring>{kNetGuid, kDisplayGuid, kSystemGuid}))
        << "one key per class, whatever the letter case of its GUID";
    const OfflineKey net = system.Open(classes + kNetGuid);
    EXPECT_EQ(String(net, L""), L"Network adapters");
    EXPECT_EQ(String(net, L"Class"), L"Net");
    EXPECT_EQ(Subkeys(net), (std::set<std::wstring>{L"0000", L"0001"}));
    EXPECT_EQ(String(system.Open(classes + kNetGuid + L"\\0000"), L"InfPath"), L"oem1.inf");
    EXPECT_EQ(String(system.Open(classes + kNetGuid + L"\\0001"), L"InfPath"), L"net1ix64.inf");

    EXPECT_EQ(String(system.Open(classes + kDisplayGuid), L"Class"), L"Display");
    const OfflineKey expandable = system.Open(classes + kDisplayGuid + L"\\0000");
    EXPECT_EQ(String(expandable, L"InfPath", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND), L"oem3.inf");
    EXPECT_EQ(Presence(expandable, L"InfPath"), ERROR_SUCCESS);
    EXPECT_EQ(Presence(system.Open(classes + kDisplayGuid + L"\\0001"), L"InfPath"), ERROR_FILE_NOT_FOUND);

    const OfflineKey systemClass = system.Open(classes + kSystemGuid);
    EXPECT_EQ(Presence(systemClass, L""), ERROR_FILE_NOT_FOUND) << "no package describes this class";
    EXPECT_EQ(Dword(system.Open(classes + kSystemGuid + L"\\0000"), L"InfPath"), 0u) << "a damaged InfPath";

    windows.ProductType.reset();
    const LoadedHive withoutType(windows, L"SYSTEM");
    EXPECT_EQ(Presence(withoutType.Open(L"ControlSet003\\Control\\ProductOptions"), L"ProductType"),
              ERROR_FILE_NOT_FOUND);
}

TEST(FixtureHives, SoftwareHiveHoldsTheVersionValuesAndCanBeAltered) {
    const wchar_t* const currentVersion = L"Microsoft\\Windows NT\\CurrentVersion";
    FixtureWindows windows;
    windows.Version.MajorVersion = 6;
    windows.Version.MinorVersion = 3;
    windows.Version.BuildNumber = L"9600";
    windows.Version.ProductName = L"Windows Server 2012 R2 Standard";
    windows.Version.EditionId = L"ServerStandard";
    {
        const LoadedHive software(windows, L"SOFTWARE");
        const OfflineKey key = software.Open(currentVersion);
        EXPECT_EQ(Dword(key, L"CurrentMajorVersionNumber"), 6u);
        EXPECT_EQ(Dword(key, L"CurrentMinorVersionNumber"), 3u);
        EXPECT_EQ(String(key, L"CurrentBuildNumber"), L"9600");
        EXPECT_EQ(String(key, L"CurrentBuild"), L"9600");
        EXPECT_EQ(String(key, L"ProductName"), L"Windows Server 2012 R2 Standard");
        EXPECT_EQ(String(key, L"EditionID"), L"ServerStandard");
    }

    windows.Version = {};
    windows.Version.MajorVersion.reset();
    windows.Version.BuildNumber.reset();
    windows.Version.ProductName.clear();
    {
        const LoadedHive software(windows, L"SOFTWARE");
        const OfflineKey key = software.Open(currentVersion);
        for (const wchar_t* absent :
             {L"CurrentMajorVersionNumber", L"CurrentBuildNumber", L"CurrentBuild", L"ProductName"}) {
            EXPECT_EQ(Presence(key, absent), ERROR_FILE_NOT_FOUND) << testing::PrintToString(std::wstring(absent));
        }
        EXPECT_EQ(Dword(key, L"CurrentMinorVersionNumber"), 0u);
        EXPECT_EQ(String(key, L"EditionID"), L"Professional");
    }

    // Tests change single values of the described content before writing it.
    const LoadedHive built(FixtureWindows{}, L"SOFTWARE");
    RegfWriter altered = SoftwareHiveContent(FixtureWindows{});
    altered.SetValue(u"Microsoft\\Windows NT\\CurrentVersion", u"CurrentBuildNumber", kRegfTypeDword,
                     RegfDwordData(19045));
    const fs::path copy = built.Path().parent_path() / L"SOFTWARE.altered";
    std::wstring error;
    ASSERT_TRUE(WriteHiveFile(altered, copy.wstring(), error)) << testing::PrintToString(error);
    OfflineHive hive;
    HiveLoadFailure failure;
    ASSERT_TRUE(hive.Load(copy.wstring(), false, failure)) << failure.Code;
    OfflineKey key;
    ASSERT_EQ(hive.Root().OpenSubkey(currentVersion, key), ERROR_SUCCESS);
    EXPECT_EQ(Dword(key, L"CurrentBuildNumber"), 19045u);
    EXPECT_EQ(Dword(key, L"CurrentMajorVersionNumber"), 10u) << "the rest as described";
}
