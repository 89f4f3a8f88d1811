// CheckNewerVersions: when a newer package that nothing uses may go because an
// older compatible version runs, and which newer packages must be refused.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "analysis/newer_version_check.h"
#include "old_versions_fixture.h"

namespace {

using namespace oldversions;

const std::wstring kDevice = L"PCI\\VEN_1F3A&DEV_0000\\4&2F1B&0&0010";

// The older package (oem1) runs a device; the newer one (oem2) is unused and
// supports exactly the same hardware.
struct Family {
    std::vector<DriverPackage> Packages{Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", Ids(0, 4)),
                                        Package(L"oem2.inf", L"qgfx.inf", L"2.0", L"2021-01-01", Ids(0, 4))};
    RemovalOptions Options;  // both removal settings on
    InfNameSet Used{L"oem1.inf"};
    std::vector<DeviceBinding> Bindings{Running(L"oem1.inf", kDevice, Id(0), {Id(0), L"PCI\\CC_0300"})};
    bool Verified = true;
    InfNameSet KeepOut;
    bool ManualAll = false;

    [[nodiscard]] std::vector<NewerVersionVerdict> Check() const {
        return CheckNewerVersions(Packages, Options, Used, Bindings, Verified, KeepOut, ManualAll);
    }
    DriverPackage& Older() { return Packages[0]; }
    DriverPackage& Newer() { return Packages[1]; }
};

TEST(NewerVersionCheck, NewerUnusedVersionNeedsEveryCondition) {
    struct Case {
        const char* Name;
        std::function<void(Family&)> Change;
        NewerVersionCode Code;
        bool Candidate;
    };
    constexpr NewerVersionCode kAllowed = NewerVersionCode::Allowed;
    constexpr NewerVersionCode kUnconfirmed = NewerVersionCode::NewerRemovalUnconfirmed;
    const Case cases[] = {
        {"every condition holds", [](Family&) {}, kAllowed, true},
        {"not an OEM package", [](Family& s) { s.Newer().InBox = true; }, NewerVersionCode::NotRemovable, false},
        {"not an OEM package, manual mode",
         [](Family& s) {
             s.Newer().PublishedName = L"oem2.pnf";
             s.ManualAll = true;
         },
         NewerVersionCode::NotRemovable, false},
        {"manual removal of every package", [](Family& s) { s.ManualAll = true; }, kAllowed, false},
        {"boot-critical",
         [](Family& s) {
             s.Newer().BootCritical = true;
             s.Options.DisableBootCriticalProtection = false;
         },
         NewerVersionCode::BootCriticalProtected, false},
        {"boot-critical, protection off", [](Family& s) { s.Newer().BootCritical = true; }, kAllowed, true},
        {"no version", [](Family& s) { s.Newer().Version.clear(); }, kAllowed, false},
        {"removal of newer versions off", [](Family& s) { s.Options.AllowNewerUnusedRemoval = false; },
         NewerVersionCode::NewerRemovalDisabled, false},
        {"bindings not verified", [](Family& s) { s.Verified = false; }, kUnconfirmed, false},
        {"bindings not verified, setting off",
         [](Family& s) {
             s.Verified = false;
             s.Options.AllowNewerUnusedRemoval = false;
         },
         kUnconfirmed, false},
        {"bindings not verified, older one unbound",
         [](Family& s) {
             s.Verified = false;
             s.Used.clear();
         },
         kUnconfirmed, false},
        {"older one unbound", [](Family& s) { s.Used.clear(); }, kAllowed, false},
        {"newer one bound", [](Family& s) { s.Used.insert(L"OEM2.INF"); }, kUnconfirmed, false},
        {"a bound copy of the newer one",
         [](Family& s) {
             s.Packages.push_back(s.Newer());
             s.Packages.back().PublishedName = L"oem3.inf";
             s.Used.insert(L"oem3.inf");
         },
         kUnconfirmed, false},
        {"newer one supports more hardware", [](Family& s) { s.Newer().HardwareIds = Ids(0, 5); }, kUnconfirmed, false},
        {"newer one has no IDs", [](Family& s) { s.Newer().HardwareIds.clear(); }, kUnconfirmed, false},
        {"another INF, no common ID",
         [](Family& s) {
             s.Newer().OriginalInfName = L"qgfx-dch.inf";
             s.Newer().HardwareIds = Ids(10, 4);
         },
         kAllowed, false},
        {"another INF, same hardware", [](Family& s) { s.Newer().OriginalInfName = L"qgfx-dch.inf"; }, kAllowed, true},
        {"older one about to be removed", [](Family& s) { s.KeepOut.insert(L"OEM1.inf"); }, kUnconfirmed, false},
        {"no running device", [](Family& s) { s.Bindings.clear(); }, kUnconfirmed, false},
        {"device matched by a compatible ID", [](Family& s) { s.Bindings[0].MatchingDeviceId = L"PCI\\CC_0300"; },
         kUnconfirmed, false},
        {"older one's IDs incomplete", [](Family& s) { s.Older().HardwareIdsComplete = false; }, kUnconfirmed, false},
        {"older one without models section", [](Family& s) { s.Older().HasModelsSection = false; }, kUnconfirmed,
         false},
        {"newer one's IDs incomplete", [](Family& s) { s.Newer().HardwareIdsComplete = false; }, kUnconfirmed, false},
        {"printer class INF",
         [](Family& s) {
             s.Older().OriginalInfName = L"ntprint.inf";
             s.Newer().OriginalInfName = L"ntprint.inf";
         },
         kUnconfirmed, false},
        {"older one boot-critical, protection on",
         [](Family& s) {
             s.Older().BootCritical = true;
             s.Options.DisableBootCriticalProtection = false;
         },
         kAllowed, true},
        {"older one is not older",
         [](Family& s) {
             s.Older().Version = L"2.0";
             s.Older().Date = L"2021-01-01";
         },
         kAllowed, false},
        {"older one has no version", [](Family& s) { s.Older().Version.clear(); }, kAllowed, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Family family;
        c.Change(family);
        const std::vector<NewerVersionVerdict> verdicts = family.Check();
        ASSERT_EQ(verdicts.size(), family.Packages.size());
        EXPECT_EQ(static_cast<int>(verdicts[1].Code), static_cast<int>(c.Code));
        ASSERT_EQ(verdicts[1].Candidate.has_value(), c.Candidate);
        if (c.Candidate) {
            const CleanupCandidate& candidate = *verdicts[1].Candidate;
            EXPECT_EQ(candidate.OldIndex, 1u);
            EXPECT_EQ(candidate.ReplacementIndex, 0u);
            EXPECT_FALSE(candidate.OldDateNewer);
            EXPECT_EQ(candidate.DifferentInf, family.Newer().OriginalInfName != family.Older().OriginalInfName);
            EXPECT_EQ(candidate.MatchedIds, 4u);
            EXPECT_EQ(candidate.IdCount, 4u);
            EXPECT_TRUE(candidate.HasRunningDevice);
            EXPECT_EQ(candidate.DeviceInstanceId, kDevice);
            EXPECT_TRUE(candidate.NewerUnused);
        }
        // The older package is never the newer one of any pair here.
        EXPECT_FALSE(verdicts[0].Candidate.has_value());
    }
}

TEST(NewerVersionCheck, LastOverlappingOlderVersionSetsTheCodeLastConfirmingOneTheCandidate) {
    // oem3 is an older version that is bound but runs no device: it overlaps
    // without confirming. Its place in the list decides the code, and a refused
    // package keeps no candidate.
    for (const bool silentLast : {true, false}) {
        SCOPED_TRACE(silentLast ? "silent one last" : "silent one first");
        Family family;
        DriverPackage silent = Package(L"oem3.inf", L"qgfx.inf", L"1.5", L"2020-06-01", Ids(0, 4));
        family.Used.insert(L"oem3.inf");
        if (silentLast) {
            family.Packages.push_back(silent);
        } else {
            family.Packages.insert(family.Packages.begin(), silent);
        }
        const std::size_t newer = silentLast ? 1 : 2;
        const std::size_t running = silentLast ? 0 : 1;
        const std::vector<NewerVersionVerdict> verdicts = family.Check();
        EXPECT_EQ(verdicts[newer].Code,
                  silentLast ? NewerVersionCode::NewerRemovalUnconfirmed : NewerVersionCode::Allowed);
        ASSERT_EQ(verdicts[newer].Candidate.has_value(), !silentLast);
        if (!silentLast) {
            EXPECT_EQ(verdicts[newer].Candidate->ReplacementIndex, running);
        }
    }
}

}  // namespace
