// FindOldVersions, rule by rule: what keeps a package whatever its family holds,
// which family members may replace it, and how the best replacement is chosen.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/old_version_detection.h"
#include "old_versions_fixture.h"

namespace {

using namespace oldversions;
using Edit = std::function<void(DriverPackage&)>;

DriverPackage With(DriverPackage package, const Edit& edit) {
    edit(package);
    return package;
}

// The verdict one package must get; the replacement part only for reasons 5 and 6.
struct Want {
    RemovalReason Reason;
    std::optional<std::size_t> Replacement = std::nullopt;
    std::uint64_t Matched = 0;
    std::uint64_t Count = 0;
    std::wstring Device = L"";  // the confirming device, empty for none
    bool OldDateNewer = false;
    bool DifferentInf = false;
};

struct Scenario {
    const char* Name;
    std::vector<DriverPackage> Packages;
    std::vector<Want> Verdicts;  // one per package
    InfNameSet Used = {};
    std::vector<DeviceBinding> Bindings = {};
    bool AllowBootCritical = false;
    InfNameSet Excluded = {};
};

void ExpectVerdicts(const Scenario& scenario) {
    SCOPED_TRACE(scenario.Name);
    const std::vector<PackageVerdict> verdicts = FindOldVersions(scenario.Packages, scenario.Used, scenario.Bindings,
                                                                 scenario.AllowBootCritical, scenario.Excluded);
    ASSERT_EQ(verdicts.size(), scenario.Verdicts.size());
    for (std::size_t i = 0; i < verdicts.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "package " << i);
        const PackageVerdict& got = verdicts[i];
        const Want& want = scenario.Verdicts[i];
        EXPECT_EQ(static_cast<int>(got.Reason), static_cast<int>(want.Reason));
        const CleanupCandidate& candidate = got.Candidate;
        if (!want.Replacement) {
            EXPECT_EQ(candidate.ReplacementIndex, 0u);
            EXPECT_EQ(candidate.IdCount, 0u);
            continue;
        }
        EXPECT_EQ(candidate.OldIndex, i);
        EXPECT_EQ(candidate.ReplacementIndex, *want.Replacement);
        EXPECT_EQ(candidate.MatchedIds, want.Matched);
        EXPECT_EQ(candidate.IdCount, want.Count);
        EXPECT_EQ(candidate.HasRunningDevice, !want.Device.empty());
        EXPECT_EQ(candidate.DeviceInstanceId, want.Device);
        EXPECT_EQ(candidate.OldDateNewer, want.OldDateNewer);
        EXPECT_EQ(candidate.DifferentInf, want.DifferentInf);
        EXPECT_FALSE(candidate.NewerUnused);
    }
}

constexpr RemovalReason kProtected = RemovalReason::Protected;
constexpr RemovalReason kAssociated = RemovalReason::AssociatedWithDevice;
constexpr RemovalReason kInsufficient = RemovalReason::InsufficientData;
constexpr RemovalReason kNotConfirmed = RemovalReason::TargetNotConfirmed;
constexpr RemovalReason kNoNewer = RemovalReason::NoNewerVersion;
constexpr RemovalReason kPossible = RemovalReason::PossibleReplacement;
constexpr RemovalReason kConfirmed = RemovalReason::ConfirmedReplacement;

TEST(OldVersionRules, StandingRulesKeepAPackageWhateverItsFamilyHolds) {
    // An old package that a newer one fully replaces, but for the change made to it.
    struct Case {
        const char* Name;
        Edit Change;
        RemovalReason Reason;
        InfNameSet Used = {};
        bool AllowBootCritical = false;
    };
    const Edit unchanged = [](DriverPackage&) {};
    const Case cases[] = {
        {"replaceable as it is", unchanged, kConfirmed},
        {"in-box", [](DriverPackage& p) { p.InBox = true; }, kProtected},
        {"published as oem.inf", [](DriverPackage& p) { p.PublishedName = L"oem.inf"; }, kProtected},
        {"published as oemA.inf", [](DriverPackage& p) { p.PublishedName = L"oemA.inf"; }, kProtected},
        {"published as driver.inf", [](DriverPackage& p) { p.PublishedName = L"driver.inf"; }, kProtected},
        {"boot-critical", [](DriverPackage& p) { p.BootCritical = true; }, kProtected},
        {"boot-critical, allowed", [](DriverPackage& p) { p.BootCritical = true; }, kConfirmed, {}, true},
        {"printer class INF", [](DriverPackage& p) { p.OriginalInfName = L"NTPrint.INF"; }, kProtected},
        {"printer class INF even when bound",
         [](DriverPackage& p) { p.OriginalInfName = L"ntprint.inf"; },
         kProtected,
         {L"oem1.inf"}},
        {"bound, names compared without case", unchanged, kAssociated, {L"OEM1.INF"}},
        {"published in capitals, bound",
         [](DriverPackage& p) { p.PublishedName = L"OEM1.INF"; },
         kAssociated,
         {L"oem1.inf"}},
        {"bound wins over missing data",
         [](DriverPackage& p) { p.HardwareIdsComplete = false; },
         kAssociated,
         {L"oem1.inf"}},
        {"hardware IDs incomplete", [](DriverPackage& p) { p.HardwareIdsComplete = false; }, kInsufficient},
        {"no original INF name", [](DriverPackage& p) { p.OriginalInfName.clear(); }, kInsufficient},
        {"no version", [](DriverPackage& p) { p.Version.clear(); }, kInsufficient},
        {"no provider", [](DriverPackage& p) { p.Provider.clear(); }, kInsufficient},
        {"no class at all",
         [](DriverPackage& p) {
             p.ClassGuid.clear();
             p.ClassName.clear();
         },
         kInsufficient},
        {"missing data wins over the models section",
         [](DriverPackage& p) {
             p.Version.clear();
             p.HasModelsSection = false;
         },
         kInsufficient},
        {"no models section for the target", [](DriverPackage& p) { p.HasModelsSection = false; }, kNotConfirmed},
    };
    for (const Case& c : cases) {
        const std::vector<DriverPackage> packages{
            With(Package(L"C:\\Windows\\INF\\oem1.inf", L"qgfx.inf", L"1.0.0.0", L"2020-01-01", Ids(0, 4)), c.Change),
            Package(L"oem2.inf", L"qgfx.inf", L"2.0.0.0", L"2021-01-01", Ids(0, 4))};
        ExpectVerdicts({c.Name,
                        packages,
                        {c.Reason == kConfirmed ? Want{kConfirmed, 1, 4, 4} : Want{c.Reason}, Want{kNoNewer}},
                        c.Used,
                        {},
                        c.AllowBootCritical});
    }
}

TEST(OldVersionRules, CopyOfABoundRevisionStays) {
    // Package 0 is unbound; package 2 is the bound one whose copy it may be.
    struct Case {
        const char* Name;
        Edit Bound;
        RemovalReason Reason;
    };
    const Case cases[] = {
        {"identical copy", [](DriverPackage&) {}, kAssociated},
        {"version written with trailing zeros", [](DriverPackage& p) { p.Version = L"1.0"; }, kAssociated},
        {"INF name in other letter case", [](DriverPackage& p) { p.OriginalInfName = L"QGFX.INF"; }, kAssociated},
        {"another date", [](DriverPackage& p) { p.Date = L"2020-01-02"; }, kConfirmed},
        {"date with one more number", [](DriverPackage& p) { p.Date = L"2020-01-01-0"; }, kConfirmed},
        {"another INF name", [](DriverPackage& p) { p.OriginalInfName = L"qgfx2.inf"; }, kConfirmed},
        {"another provider", [](DriverPackage& p) { p.Provider = L"Marrowfen"; }, kConfirmed},
    };
    for (const Case& c : cases) {
        ExpectVerdicts(
            {c.Name,
             {Package(L"oem1.inf", L"qgfx.inf", L"1.0.0.0", L"2020-01-01", Ids(0, 4)),
              Package(L"oem2.inf", L"qgfx.inf", L"2.0.0.0", L"2021-01-01", Ids(0, 4)),
              With(Package(L"oem3.inf", L"qgfx.inf", L"1.0.0.0", L"2020-01-01", Ids(0, 4)), c.Bound)},
             {c.Reason == kConfirmed ? Want{kConfirmed, 1, 4, 4} : Want{c.Reason}, Want{kNoNewer}, Want{kAssociated}},
             {L"oem3.inf"}});
    }
}

TEST(OldVersionRules, WhatCountsAsNewerWithinOneFamily) {
    const auto twoVersions = [](
                                 const char* name, const std::wstring& oldVersion, const std::wstring& oldDate,
                                 const std::wstring& newVersion, const std::wstring& newDate, std::vector<Want> want,
                                 const Edit& newEdit = [](DriverPackage&) {}) {
        return Scenario{name,
                        {Package(L"oem1.inf", L"qgfx.inf", oldVersion, oldDate, Ids(0, 3)),
                         With(Package(L"oem2.inf", L"qgfx.inf", newVersion, newDate, Ids(0, 3)), newEdit)},
                        std::move(want)};
    };
    const std::wstring big = L"18446744073709551615";
    const Scenario scenarios[] = {
        {"a single version", {Package(L"oem1.inf", L"qgfx.inf", L"1.0.0.0", L"2020-01-01", Ids(0, 3))}, {{kNoNewer}}},
        twoVersions("1.10 is newer than 1.9", L"1.9", L"2020-01-01", L"1.10", L"2020-01-01",
                    {{kConfirmed, 1, 3, 3}, {kNoNewer}}),
        twoVersions("2.0 equals 2.0.0.0", L"2.0", L"2020-01-01", L"2.0.0.0", L"2020-01-01", {{kNoNewer}, {kNoNewer}}),
        twoVersions("numbers past 2^64-1 count as 2^64-1", big, L"2020-01-01", big + L"9", L"2020-01-01",
                    {{kNoNewer}, {kNoNewer}}),
        twoVersions("equal versions: the later date replaces", L"1.0.0.0", L"2020-01-01", L"1.0.0.0", L"2020-01-02",
                    {{kConfirmed, 1, 3, 3}, {kNoNewer}}),
        twoVersions("equal versions, later date, partial coverage", L"1.0.0.0", L"2020-01-01", L"1.0.0.0",
                    L"2020-01-02", {{kPossible, 1, 2, 3}, {kNoNewer}},
                    [](DriverPackage& p) { p.HardwareIds = Ids(1, 5); }),
        twoVersions("a lower version with a later date is replaced and flagged", L"1.0.0.0", L"2022-01-01", L"1.1",
                    L"2021-01-01", {{kConfirmed, 1, 3, 3, L"", true}, {kNoNewer}}),
        twoVersions("an empty date is older than any date", L"1.0", L"", L"1.0", L"2020-01-01",
                    {{kConfirmed, 1, 3, 3}, {kNoNewer}}),
    };
    for (const Scenario& scenario : scenarios) ExpectVerdicts(scenario);

    // Equal version and date: neither replaces the other; a bound one keeps its copy.
    const std::vector<DriverPackage> twins{Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", Ids(0, 3)),
                                           Package(L"oem2.inf", L"qgfx.inf", L"1.0", L"2020-01-01", Ids(0, 3))};
    ExpectVerdicts({"equal twins", twins, {{kNoNewer}, {kNoNewer}}});
    ExpectVerdicts({"equal twins, one bound", twins, {{kAssociated}, {kAssociated}}, {L"oem2.inf"}});
}

TEST(OldVersionRules, WhichFamilyMembersMayReplace) {
    const DriverPackage old = Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", Ids(0, 20));
    const auto newer = [](const Edit& edit) {
        return With(Package(L"oem2.inf", L"qgfx.inf", L"2.0", L"2021-01-01", Ids(0, 20)), edit);
    };
    struct Case {
        const char* Name;
        Edit Change;  // to the newer package
        Want Old;
        RemovalReason New = kNoNewer;
        InfNameSet Used = {};
        bool AllowBootCritical = false;
        InfNameSet Excluded = {};
    };
    const Edit otherInf = [](DriverPackage& p) { p.OriginalInfName = L"qgfx-dch.inf"; };
    const auto otherInfCovering = [&](int count) {
        return [=](DriverPackage& p) {
            otherInf(p);
            p.HardwareIds = Ids(0, count);
        };
    };
    const Case cases[] = {
        {"same INF, every ID", [](DriverPackage&) {}, {kConfirmed, 1, 20, 20}},
        {"same INF, no ID in common", [](DriverPackage& p) { p.HardwareIds = Ids(100, 5); }, {kPossible, 1, 0, 20}},
        {"same INF, no IDs at all", [](DriverPackage& p) { p.HardwareIds.clear(); }, {kPossible, 1, 0, 20}},
        {"same INF in other letter case",
         [](DriverPackage& p) { p.OriginalInfName = L"QGFX.inf"; },
         {kConfirmed, 1, 20, 20}},
        {"IDs in other letter case",
         [](DriverPackage& p) { p.HardwareIds = {L"pci\\ven_1f3a&dev_0000"}; },
         {kPossible, 1, 1, 20}},
        {"other INF, unbound, every ID", otherInf, {kNoNewer}},
        {"other INF, bound, every ID", otherInf, {kConfirmed, 1, 20, 20, L"", false, true}, kAssociated, {L"oem2.inf"}},
        {"other INF, bound, 19 of 20",
         otherInfCovering(19),
         {kPossible, 1, 19, 20, L"", false, true},
         kAssociated,
         {L"oem2.inf"}},
        {"other INF, bound, 18 of 20", otherInfCovering(18), {kNoNewer}, kAssociated, {L"oem2.inf"}},
        {"printer class INF", [](DriverPackage& p) { p.OriginalInfName = L"ntprint.inf"; }, {kNoNewer}, kProtected},
        {"in-box", [](DriverPackage& p) { p.InBox = true; }, {kNoNewer}, kProtected},
        {"not an oemN.inf", [](DriverPackage& p) { p.PublishedName = L"oem2.inf.bak"; }, {kNoNewer}, kProtected},
        {"boot-critical", [](DriverPackage& p) { p.BootCritical = true; }, {kNoNewer}, kProtected},
        {"boot-critical, allowed",
         [](DriverPackage& p) { p.BootCritical = true; },
         {kConfirmed, 1, 20, 20},
         kNoNewer,
         {},
         true},
        {"incomplete IDs", [](DriverPackage& p) { p.HardwareIdsComplete = false; }, {kNoNewer}, kInsufficient},
        {"no models section", [](DriverPackage& p) { p.HasModelsSection = false; }, {kNoNewer}, kNotConfirmed},
        {"excluded", [](DriverPackage&) {}, {kNoNewer}, kNoNewer, {}, false, {L"OEM2.inf"}},
        {"another provider", [](DriverPackage& p) { p.Provider = L"Marrowfen"; }, {kNoNewer}},
        {"provider in other letter case", [](DriverPackage& p) { p.Provider = L"QUELLTIDE"; }, {kConfirmed, 1, 20, 20}},
        {"another extension ID",
         [](DriverPackage& p) { p.ExtensionId = L"{b2e0f0a2-0001-4a4b-9c3d-000000000001}"; },
         {kNoNewer}},
        {"another class GUID",
         [](DriverPackage& p) { p.ClassGuid = L"{4d36e972-e325-11ce-bfc1-08002be10318}"; },
         {kNoNewer}},
        {"the class name counts only without a GUID",
         [](DriverPackage& p) { p.ClassName = L"Net"; },
         {kConfirmed, 1, 20, 20}},
    };
    for (const Case& c : cases) {
        ExpectVerdicts({c.Name, {old, newer(c.Change)}, {c.Old, {c.New}}, c.Used, {}, c.AllowBootCritical, c.Excluded});
    }
}

TEST(OldVersionRules, RunningDeviceConfirmsOnlyWithEveryProof) {
    // The newer package has another INF name, is bound, and covers 18 of the 20
    // IDs: only a running device can confirm it.
    const std::vector<DriverPackage> packages{Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", Ids(0, 20)),
                                              Package(L"oem2.inf", L"qgfx-dch.inf", L"2.0", L"2021-01-01", Ids(2, 20))};
    const std::wstring device = L"PCI\\VEN_1F3A&DEV_0005\\4&1A2B3C&0&0008";
    const DeviceBinding proof = Running(L"OEM2.INF", device, Id(5), {Id(5), L"PCI\\CC_030000"});
    struct Case {
        const char* Name;
        std::function<void(DeviceBinding&)> Change;
        bool Confirms;
    };
    const Case cases[] = {
        {"running, matched by its own ID, on old hardware", [](DeviceBinding&) {}, true},
        {"matching ID in other letter case", [](DeviceBinding& b) { b.MatchingDeviceId = L"pci\\ven_1f3a&dev_0005"; },
         true},
        {"not running", [](DeviceBinding& b) { b.Running = false; }, false},
        {"no instance ID", [](DeviceBinding& b) { b.InstanceId.clear(); }, false},
        {"another INF", [](DeviceBinding& b) { b.InfName = L"oem9.inf"; }, false},
        {"matched by a compatible ID", [](DeviceBinding& b) { b.MatchingDeviceId = L"PCI\\CC_030000"; }, false},
        {"matching ID not among the device's IDs", [](DeviceBinding& b) { b.HardwareIds = {Id(6)}; }, false},
        {"hardware the old package does not support",
         [](DeviceBinding& b) {
             b.MatchingDeviceId = Id(21);
             b.HardwareIds = {Id(21)};
         },
         false},
        {"no matching ID", [](DeviceBinding& b) { b.MatchingDeviceId.clear(); }, false},
    };
    for (const Case& c : cases) {
        DeviceBinding binding = proof;
        c.Change(binding);
        ExpectVerdicts(
            {c.Name,
             packages,
             {c.Confirms ? Want{kConfirmed, 1, 18, 20, device, false, true} : Want{kNoNewer}, Want{kAssociated}},
             {L"oem2.inf"},
             {Running(L"oem2.inf", L"PCI\\OTHER\\1", Id(30), {Id(30)}), binding}});
    }

    // Full coverage is recorded as such even when a device also runs the package.
    std::vector<DriverPackage> covering = packages;
    covering[1].HardwareIds = Ids(0, 22);
    ExpectVerdicts({"covering and running",
                    covering,
                    {{kConfirmed, 1, 20, 20, L"", false, true}, {kAssociated}},
                    {L"oem2.inf"},
                    {proof}});
    // The old package's own IDs must be non-empty for any proof.
    std::vector<DriverPackage> idless = packages;
    idless[0].HardwareIds.clear();
    ExpectVerdicts({"old package without IDs", idless, {{kNoNewer}, {kAssociated}}, {L"oem2.inf"}, {proof}});
}

TEST(OldVersionRules, BestReplacementPrefersConfirmationThenTheNewest) {
    // oem3 and oem4 are equally new and cover oem1; oem2 covers 19 of its 20 IDs.
    const std::vector<DriverPackage> equals{Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", Ids(0, 20)),
                                            Package(L"oem2.inf", L"qgfx.inf", L"2.0", L"2021-01-01", Ids(1, 20)),
                                            Package(L"oem3.inf", L"qgfx.inf", L"3.0", L"2022-01-01", Ids(0, 20)),
                                            Package(L"oem4.inf", L"qgfx.inf", L"3.0", L"2022-01-01", Ids(0, 20))};
    ExpectVerdicts({"of equally new ones the first in the list",
                    equals,
                    {{kConfirmed, 2, 20, 20}, {kPossible, 2, 19, 20}, {kNoNewer}, {kNoNewer}}});
    ExpectVerdicts({"list order does not decide otherwise",
                    {equals[3], equals[2], equals[1], equals[0]},
                    {{kNoNewer}, {kNoNewer}, {kPossible, 0, 19, 20}, {kConfirmed, 0, 20, 20}}});

    // Many equally new ones: still the first of them in the list.
    std::vector<DriverPackage> many{Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", Ids(0, 20))};
    std::vector<Want> manyVerdicts{{kConfirmed, 7, 20, 20}};
    for (int k = 2; k <= 40; ++k) {
        const bool newest = k >= 8 && k % 3 != 0;
        many.push_back(Package(L"oem" + std::to_wstring(k) + L".inf", L"qgfx.inf", newest ? L"3.0" : L"2.0",
                               L"2022-01-01", Ids(0, 20)));
        manyVerdicts.push_back(newest ? Want{kNoNewer} : Want{kConfirmed, 7, 20, 20});
    }
    ExpectVerdicts({"of many equally new ones the first in the list", many, manyVerdicts});

    const std::vector<DriverPackage> olderCovering{
        Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", Ids(0, 20)),
        Package(L"oem2.inf", L"qgfx.inf", L"2.0", L"2021-01-01", Ids(0, 20)),
        Package(L"oem3.inf", L"qgfx.inf", L"3.0", L"2022-01-01", Ids(1, 20))};
    ExpectVerdicts({"an older covering package beats a newer partial one",
                    olderCovering,
                    {{kConfirmed, 1, 20, 20}, {kPossible, 2, 19, 20}, {kNoNewer}}});

    std::vector<DriverPackage> noneCovering = olderCovering;
    noneCovering[1].HardwareIds = Ids(2, 20);
    ExpectVerdicts({"without a covering package the newest plausible one",
                    noneCovering,
                    {{kPossible, 2, 19, 20}, {kPossible, 2, 19, 20}, {kNoNewer}}});
}

TEST(OldVersionRules, PackageConfirmedForRemovalReplacesNothing) {
    // oem2 replaces oem1 by full coverage; oem3 (another INF, bound) runs a
    // device that only oem2 supports, so oem2 goes as well. oem1 must then stay:
    // its replacement is leaving and oem3 does not support its hardware.
    const std::vector<DriverPackage> packages{
        Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", {Id(1)}),
        Package(L"oem2.inf", L"qgfx.inf", L"2.0", L"2021-01-01", {Id(1), Id(2)}),
        Package(L"oem3.inf", L"qgfx-dch.inf", L"3.0", L"2022-01-01", {Id(2), Id(3)})};
    const std::wstring device = L"PCI\\VEN_1F3A&DEV_0002\\0";
    const std::vector<DeviceBinding> bindings{Running(L"oem3.inf", device, Id(2), {Id(2)})};
    ExpectVerdicts({"chain through a running device",
                    packages,
                    {{kNoNewer}, {kConfirmed, 2, 1, 2, device, false, true}, {kAssociated}},
                    {L"oem3.inf"},
                    bindings});
    // When oem3 also supports oem1's hardware, oem1 goes with oem3 as replacement.
    std::vector<DriverPackage> wider = packages;
    wider[2].HardwareIds = {Id(1), Id(2), Id(3)};
    ExpectVerdicts({"the still newer package covers both",
                    wider,
                    {{kConfirmed, 2, 1, 1, L"", false, true}, {kConfirmed, 2, 2, 2, L"", false, true}, {kAssociated}},
                    {L"oem3.inf"},
                    bindings});
}

}  // namespace
