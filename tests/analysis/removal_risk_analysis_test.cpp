#include "analysis/removal_risks.h"

#include <windows.h>

#include <fltuser.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/minifilters.h"
#include "devices/fake_devices.h"
#include "removal_risk_fixtures.h"

namespace {

std::vector<std::uint8_t> FilterEntry(ULONG instances, USHORT nameBytes, const std::wstring& name) {
    std::vector<std::uint8_t> entry(kFilterEntryBufferBytes);
    std::memcpy(entry.data() + offsetof(FILTER_FULL_INFORMATION, NumberOfInstances), &instances, sizeof(instances));
    std::memcpy(entry.data() + offsetof(FILTER_FULL_INFORMATION, FilterNameLength), &nameBytes, sizeof(nameBytes));
    std::memcpy(entry.data() + offsetof(FILTER_FULL_INFORMATION, FilterNameBuffer), name.data(),
                name.size() * sizeof(wchar_t));
    return entry;
}

TEST(RemovalRiskAnalysis, MinifiltersCountOnlyWhenAttachedAndWhole) {
    const std::size_t header = offsetof(FILTER_FULL_INFORMATION, FilterNameBuffer);
    const struct {
        const char* Name;
        ULONG Instances;
        USHORT NameBytes;
        std::size_t Returned;
        const wchar_t* Expected;  // null: not counted
    } cases[] = {
        {"attached", 2, 12, header + 12, L"WdFilt"},
        {"name longer than the answer", 2, 12, header + 10, nullptr},
        {"no instance", 0, 12, header + 12, nullptr},
        {"odd name length", 1, 11, header + 12, nullptr},
        {"no name", 1, 0, header, nullptr},
        {"answer shorter than the header", 1, 0, header - 1, nullptr},
        {"answer longer than the buffer", 1, 12, kFilterEntryBufferBytes + 1, nullptr},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> entry = FilterEntry(c.Instances, c.NameBytes, L"WdFilter");
        const std::optional<std::wstring> name = AttachedMinifilterName(entry.data(), c.Returned);
        if (c.Expected) {
            EXPECT_EQ(name, std::wstring(c.Expected)) << c.Name;
        } else {
            EXPECT_FALSE(name) << c.Name;
        }
    }
}

// The stack of a device names a filter whose image lies in a package folder of
// the Driver Store: the package owns an active filter. Without disk interfaces
// (as under Wine) the Windows disk's stack stays unknown.
TEST(RemovalRiskAnalysis, SelectedPackagesOwningStackFiltersAreFound) {
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring tag = sim::UniqueDeviceTag();
    const std::wstring repository = std::wstring(windows) + L"\\System32\\DriverStore\\FileRepository\\";
    auto storePackage = [&](const std::wstring& publishedName, const std::wstring& folder) {
        DriverPackage package;
        package.PublishedName = publishedName;
        package.OriginalFileName = repository + folder + L"\\" + folder + L".inf";
        return package;
    };
    const std::vector<DriverPackage> packages{storePackage(L"oem71.inf", tag + L"owner"),
                                              storePackage(L"oem72.inf", tag + L"bystander")};
    const std::wstring filter = tag + L"flt";
    test::ScopedService service(
        filter, L"\\SystemRoot\\System32\\DriverStore\\FileRepository\\" + tag + L"owner\\" + filter + L".sys");
    ASSERT_TRUE(service.Created()) << service.Error();
    sim::FakeDevices devices;
    sim::FakeDeviceSpec spec =
        sim::RunningDevice(L"ROOT\\QUILLBAYTEST\\" + tag, L"C:\\Windows\\INF\\" + tag + L".inf", {L"ROOT\\" + tag});
    spec.Service = tag + L"fn";
    spec.Stack = {L"\\Driver\\" + filter, L"\\Driver\\" + tag + L"fn"};
    std::wstring error;
    ASSERT_TRUE(devices.Add(spec, error)) << error;

    const RiskContext selected = AnalyzeRemovalRisks(packages, {L"OEM71.INF", L"oem72.inf"});
    EXPECT_EQ(std::vector<std::wstring>(selected.FilterPackages.begin(), selected.FilterPackages.end()),
              std::vector<std::wstring>{L"oem71.inf"});
    EXPECT_FALSE(selected.BootStackComplete);

    EXPECT_TRUE(AnalyzeRemovalRisks(packages, {L"oem72.inf"}).FilterPackages.empty());
    const RiskContext nothing = AnalyzeRemovalRisks(packages, {});
    EXPECT_TRUE(nothing.FilterPackages.empty() && nothing.BootStorageInfs.empty() && !nothing.BootStackComplete);
}

}  // namespace
