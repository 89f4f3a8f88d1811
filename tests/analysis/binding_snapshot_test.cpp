#include "analysis/binding_snapshot.h"

#include <gtest/gtest.h>

#include <initguid.h>

#include <devpkey.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/package_usage.h"
#include "analysis/system_error_text.h"
#include "devices/device_property_hook.h"
#include "devices/fake_devices.h"
#include "system_hive_fixture.h"
#include "test_support.h"

namespace {

DriverPackage Package(const std::wstring& publishedName) {
    DriverPackage package;
    package.PublishedName = publishedName;
    return package;
}

// Records what the removal-risk analysis was asked and answers with a marker.
struct RiskAnalysisProbe {
    int Calls = 0;
    InfNameSet Selected;
    std::size_t InstalledCount = 0;
    RemovalRiskAnalysis Analysis() {
        return [this](const std::vector<DriverPackage>& installed, const InfNameSet& selected) {
            ++Calls;
            Selected = selected;
            InstalledCount = installed.size();
            RiskContext risks;
            risks.FilterPackages.insert(L"oem5.inf");
            risks.BootStackComplete = true;
            return risks;
        };
    }
};

TEST(BindingSnapshot, CurrentTargetRecordsEveryDeviceAndGathersRisksOnlyWhenWarning) {
    const std::wstring tag = sim::UniqueDeviceTag();
    const std::wstring runningInf = tag + L"run.inf";
    const std::wstring goneInf = tag + L"gone.inf";
    sim::FakeDevices devices;
    std::wstring error;
    sim::FakeDeviceSpec gone =
        sim::RunningDevice(L"ROOT\\QUILLBAYTEST\\" + tag + L"gone", L"C:\\Windows\\INF\\" + goneInf, {L"USB\\A"});
    gone.IsPresent = false;
    ASSERT_TRUE(devices.Add(gone, error)) << error;
    ASSERT_TRUE(devices.Add(
        sim::RunningDevice(L"ROOT\\QUILLBAYTEST\\" + tag + L"run", L"C:\\Windows\\INF\\" + runningInf, {L"USB\\B"}),
        error))
        << error;

    const TargetWindows current{L"", L"C:\\", true};
    const std::vector<DriverPackage> installed{Package(L"oem5.inf"), Package(L"oem6.inf")};
    const InfNameSet selected{L"oem5.inf"};
    auto bindingsOf = [](const BindingSnapshot& snapshot, const std::wstring& inf) {
        return std::count_if(snapshot.Bindings.begin(), snapshot.Bindings.end(),
                             [&](const DeviceBinding& binding) { return SameInfName(binding.InfName, inf); });
    };
    for (const bool warn : {false, true}) {
        SCOPED_TRACE(warn ? "warning about risks" : "not warning");
        RemovalOptions options;
        options.WarnAboutRisks = warn;
        RiskAnalysisProbe probe;
        const BindingSnapshot snapshot = TakeBindingSnapshot(current, options, installed, selected, probe.Analysis());
        ASSERT_TRUE(snapshot.Verified) << snapshot.Error;
        EXPECT_TRUE(snapshot.UsedInfs.contains(goneInf));
        EXPECT_EQ(bindingsOf(snapshot, runningInf), 1);
        EXPECT_EQ(bindingsOf(snapshot, goneInf), warn ? 1 : 0);
        EXPECT_EQ(probe.Calls, warn ? 1 : 0);
        EXPECT_EQ(snapshot.Risks.FilterPackages.size(), warn ? 1u : 0u);
        if (warn) {
            EXPECT_EQ(probe.Selected, selected);
            EXPECT_EQ(probe.InstalledCount, installed.size());
        }
    }

    // The risks are gathered even when the devices cannot be read.
    sim::DevicePropertyHook refuse([](const sim::DevicePropertyCall& call) -> DWORD {
        return sim::IsSameDevicePropertyKey(call.Key, DEVPKEY_Device_DriverInfPath) ? ERROR_ACCESS_DENIED
                                                                                    : ERROR_SUCCESS;
    });
    ASSERT_TRUE(refuse.Installed());
    RiskAnalysisProbe probe;
    const BindingSnapshot failed =
        TakeBindingSnapshot(current, RemovalOptions{}, installed, selected, probe.Analysis());
    EXPECT_FALSE(failed.Verified);
    EXPECT_EQ(failed.Error, L"Не удалось прочитать привязку INF устройства: " + FormatSystemError(ERROR_ACCESS_DENIED));
    EXPECT_EQ(probe.Calls, 1);
    EXPECT_TRUE(failed.Risks.BootStackComplete);
}

TEST(BindingSnapshot, OfflineTargetReadsTheHiveAndNeverAnalysesRisks) {
    test::TempFolder root(L"qbsnap");
    test::WriteOfflineSystemHive(
        root.Path(), test::SystemHive(1, {test::StringValue(L"{4d36e972-e325-11ce-bfc1-08002be10318}\\0000", L"InfPath",
                                                            L"oem4.inf")}));
    RemovalOptions options;
    options.WarnAboutRisks = true;
    RiskAnalysisProbe probe;
    const BindingSnapshot snapshot =
        TakeBindingSnapshot(TargetWindows{L"", root.Path().wstring(), false}, options, {Package(L"oem4.inf")},
                            InfNameSet{L"oem4.inf"}, probe.Analysis());
    ASSERT_TRUE(snapshot.Verified) << snapshot.Error;
    EXPECT_EQ(snapshot.UsedInfs, InfNameSet{L"oem4.inf"});
    EXPECT_TRUE(snapshot.Bindings.empty());
    EXPECT_EQ(snapshot.DevicesExamined, 0u);
    EXPECT_EQ(probe.Calls, 0);
}

TEST(PackageUsage, CountsEachPublishedNameOnceAndRunningOnlyWhenKnown) {
    BindingSnapshot snapshot;
    snapshot.Verified = true;
    snapshot.UsedInfs = {L"oem1.inf", L"OEM2.INF", L"oem3.inf", L"machine.inf"};
    snapshot.Bindings = {{L"OEM1.INF", L"ROOT\\A\\0", L"A", {L"A"}, true},
                         {L"oem2.inf", L"", L"", {L"B"}, false},
                         {L"oem9.inf", L"ROOT\\C\\0", L"C", {L"C"}, true}};
    const std::vector<DriverPackage> packages{Package(L"oem1.inf"), Package(L"C:\\Windows\\INF\\oem2.inf"),
                                              Package(L"oem3.inf"), Package(L"oem4.inf"), Package(L"Oem1.Inf")};

    const std::optional<PackageUsage> usage = SummarizePackageUsage(packages, snapshot);
    ASSERT_TRUE(usage.has_value());
    EXPECT_EQ(usage->AssociatedCount, 3u);
    EXPECT_EQ(usage->RunningCount, std::optional<std::uint64_t>(1));

    // A running device whose package is not in the list still makes the count known.
    snapshot.Bindings.erase(snapshot.Bindings.begin());
    EXPECT_EQ(SummarizePackageUsage(packages, snapshot)->RunningCount, std::optional<std::uint64_t>(0));

    snapshot.Bindings.pop_back();
    const std::optional<PackageUsage> unknownRunning = SummarizePackageUsage(packages, snapshot);
    ASSERT_TRUE(unknownRunning.has_value());
    EXPECT_EQ(unknownRunning->AssociatedCount, 3u);
    EXPECT_FALSE(unknownRunning->RunningCount.has_value());

    snapshot.Verified = false;
    EXPECT_FALSE(SummarizePackageUsage(packages, snapshot).has_value());
}

TEST(SystemErrorText, SystemMessageOrTheCodeInDecimal) {
    const std::wstring denied = FormatSystemError(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(denied.empty());
    EXPECT_EQ(std::wstring(L"\r\n ").find(denied.back()), std::wstring::npos);
    EXPECT_EQ(denied.rfind(L"Ошибка", 0), std::wstring::npos);
    EXPECT_EQ(FormatSystemError(0x2000ABCD), L"Ошибка 536914893");
}

}  // namespace
