#include "analysis/removal_risk_assessment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::wstring kIdA = L"PCI\\VEN_10DE&DEV_0001";
const std::wstring kIdB = L"PCI\\VEN_10DE&DEV_0002";
const std::wstring kIdC = L"PCI\\VEN_10DE&DEV_0003";

// A package of one driver family with everything a replacement needs.
DriverPackage Package(const std::wstring& publishedName, const std::vector<std::wstring>& ids,
                      const std::wstring& version = L"1.0.0.0") {
    DriverPackage package;
    package.PublishedName = publishedName;
    package.OriginalInfName = L"vendor.inf";
    package.ClassGuid = L"{4d36e968-e325-11ce-bfc1-08002be10318}";
    package.Provider = L"Vendor";
    package.Version = version;
    package.Date = L"2024-01-01";
    package.HardwareIds = ids;
    package.HardwareIdsComplete = true;
    package.HasModelsSection = true;
    return package;
}

template <typename Record, typename Change>
Record With(Record record, Change change) {
    change(record);
    return record;
}

DeviceBinding Bound(const std::wstring& infName, const std::vector<std::wstring>& hardwareIds) {
    DeviceBinding binding;
    binding.InfName = infName;
    binding.HardwareIds = hardwareIds;
    return binding;
}

// A running device matched by its first hardware ID.
DeviceBinding Running(const std::wstring& infName, const std::vector<std::wstring>& hardwareIds) {
    DeviceBinding binding = Bound(infName, hardwareIds);
    binding.InstanceId = L"PCI\\VEN_10DE&DEV_0002\\3&1";
    binding.MatchingDeviceId = hardwareIds.front();
    binding.Running = true;
    return binding;
}

RiskContext Context(const InfNameSet& bootStorage, const InfNameSet& filters, bool complete) {
    RiskContext context;
    context.BootStorageInfs = bootStorage;
    context.FilterPackages = filters;
    context.BootStackComplete = complete;
    return context;
}

const RiskContext kOffline;
const RiskContext kCompleteStack = Context({}, {}, true);

struct RiskCase {
    const char* Name;
    std::vector<DriverPackage> Packages;
    InfNameSet Selected;
    InfNameSet UsedInfs;
    std::vector<DeviceBinding> Bindings;
    RiskContext Context;
    RemovalRiskMap Expected;
};

using enum RemovalRisk;

DriverPackage BootCritical(DriverPackage package) {
    package.BootCritical = true;
    return package;
}

std::vector<RiskCase> Cases() {
    const DriverPackage old = Package(L"oem1.inf", {kIdA, kIdB});
    const DriverPackage newer = Package(L"oem2.inf", {kIdA, kIdB}, L"2.0.0.0");
    const DriverPackage partial = Package(L"oem2.inf", {kIdB, kIdC}, L"2.0.0.0");
    return {
        {"the Windows disk's driver, even with another version staying",
         {old, newer, Package(L"oem3.inf", {kIdA}, L"0.5")},
         {L"oem1.inf", L"oem3.inf"},
         {L"oem1.inf"},
         {Bound(L"oem1.inf", {kIdA})},
         Context({L"OEM1.INF"}, {L"oem1.inf"}, true),
         {{L"oem1.inf", ProvidesWindowsDiskAccess}}},
        {"an active filter comes before everything bindings say",
         {BootCritical(old)},
         {L"oem1.inf"},
         {L"oem1.inf"},
         {},
         Context({}, {L"oem1.inf"}, false),
         {{L"oem1.inf", ActiveFilter}}},
        {"bound and boot-critical with the disk's stack unknown, as offline",
         {BootCritical(old), newer, BootCritical(Package(L"oem3.inf", {kIdC}, L"3.0"))},
         {L"oem1.inf", L"oem3.inf"},
         {L"oem1.inf"},
         {},
         kOffline,
         {{L"oem1.inf", BootCriticalInUse}, {L"oem3.inf", LastCompatiblePackage}}},
        {"bound and boot-critical with the stack known: the replacement decides",
         {BootCritical(old), newer, BootCritical(Package(L"oem3.inf", {kIdC}, L"3.0"))},
         {L"oem1.inf", L"oem3.inf"},
         {L"oem1.inf", L"oem3.inf"},
         {},
         kCompleteStack,
         {{L"oem3.inf", InUseWithoutReplacement}}},
        {"unused: the last package for its hardware, unless others stay that cover it",
         {old, newer, Package(L"oem3.inf", {kIdC}, L"3.0")},
         {L"oem1.inf", L"oem3.inf"},
         {},
         {},
         kOffline,
         {{L"oem3.inf", LastCompatiblePackage}}},
        {"unused: the remaining IDs together cover it",
         {old, Package(L"oem2.inf", {kIdA}, L"2.0"), Package(L"oem3.inf", {kIdB}, L"0.1")},
         {L"oem1.inf"},
         {},
         {},
         kOffline,
         {}},
        {"unused: a partly covering member confirmed by a running device",
         {old, partial},
         {L"oem1.inf"},
         {L"oem2.inf"},
         {Running(L"oem2.inf", {kIdB, L"PCI\\VEN_10DE"})},
         kCompleteStack,
         {}},
        {"members that do not stay replace nothing",
         {old, newer,
          With(Package(L"oem3.inf", {kIdA, kIdB}, L"3.0"), [](DriverPackage& p) { p.HardwareIdsComplete = false; }),
          With(Package(L"oem4.inf", {kIdA, kIdB}, L"4.0"), [](DriverPackage& p) { p.InBox = true; }),
          With(Package(L"oem5.inf", {kIdA, kIdB}, L"5.0"), [](DriverPackage& p) { p.Provider = L"Other"; })},
         {L"oem1.inf", L"oem2.inf"},
         {},
         {},
         kOffline,
         {{L"oem1.inf", LastCompatiblePackage}, {L"oem2.inf", LastCompatiblePackage}}},
        {"unused without known hardware: no claim either way",
         {With(Package(L"oem1.inf", {kIdA}), [](DriverPackage& p) { p.HardwareIdsComplete = false; }),
          Package(L"oem2.inf", {}),
          With(Package(L"oem3.inf", {kIdA}), [](DriverPackage& p) { p.HasModelsSection = false; })},
         {L"oem1.inf", L"oem2.inf", L"oem3.inf"},
         {},
         {},
         kOffline,
         {}},
        {"in use on a disconnected device that a staying member's primary ID serves",
         {old, partial},
         {L"oem1.inf"},
         {L"oem1.inf"},
         {Bound(L"oem1.inf", {L"pci\\ven_10de&dev_0002"})},
         kCompleteStack,
         {}},
        {"in use: every bound device must be served",
         {old, partial},
         {L"oem1.inf"},
         {L"oem1.inf"},
         {Bound(L"oem1.inf", {kIdB}), Bound(L"oem1.inf", {kIdA, L"PCI\\CC_0300"})},
         kCompleteStack,
         {{L"oem1.inf", InUseWithoutReplacement}}},
        {"in use: a device without IDs is served only when the package is covered",
         {old, partial, Package(L"oem3.inf", {kIdA}), newer},
         {L"oem1.inf", L"oem3.inf"},
         {L"oem1.inf", L"oem3.inf"},
         {Bound(L"oem1.inf", {}), Bound(L"OEM3.INF", {})},
         kCompleteStack,
         {}},
        {"in use without device records: covered or at risk",
         {old, partial, Package(L"oem3.inf", {kIdC}, L"0.1"), Package(L"oem4.inf", {}, L"0.1")},
         {L"oem1.inf", L"oem3.inf", L"oem4.inf"},
         {L"oem1.inf", L"oem3.inf", L"oem4.inf"},
         {},
         kCompleteStack,
         {{L"oem1.inf", InUseWithoutReplacement}, {L"oem4.inf", InUseWithoutReplacement}}},
        {"only selected OEM packages are assessed",
         {Package(L"oem1.inf", {kIdA}), With(Package(L"oem2.inf", {kIdB}), [](DriverPackage& p) { p.InBox = true; }),
          Package(L"vendor.inf", {kIdC}), Package(L"oem4.inf", {L"USB\\VID_1"})},
         {L"OEM1.INF", L"oem2.inf", L"vendor.inf"},
         {},
         {},
         kOffline,
         {{L"oem1.inf", LastCompatiblePackage}}},
    };
}

TEST(RemovalRiskAssessment, EachSelectedPackageGetsTheFirstRiskThatApplies) {
    for (const RiskCase& c : Cases()) {
        EXPECT_EQ(AssessRemovalRisks(c.Packages, c.Selected, c.UsedInfs, c.Bindings, c.Context), c.Expected) << c.Name;
    }
}

}  // namespace
