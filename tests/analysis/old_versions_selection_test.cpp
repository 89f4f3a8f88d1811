// The automatic selection (both checks merged), the explanation of a verdict,
// and the guarantees every selection keeps over generated Driver Stores.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "analysis/cleanup_candidates.h"
#include "analysis/old_version_detection.h"
#include "analysis/package_index.h"
#include "old_versions_fixture.h"
#include "platform/package_text.h"

namespace {

using namespace oldversions;

constexpr LangId kEnglish = 1;
constexpr LangId kRussian = 0;

TEST(DescribeReason, ReasonTextThenTheReplacementThatStays) {
    std::vector<DriverPackage> packages{Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", {}),
                                        Package(L"oem2.inf", L"qgfx.inf", L"31.0.15.3623", L"2021-01-01", {}),
                                        Package(L"oem3.inf", L"", L"", L"2021-01-01", {})};
    const auto verdict = [](RemovalReason reason, std::size_t replacement, const std::wstring& device = L"",
                            bool newerUnused = false) {
        PackageVerdict v{reason, {}};
        v.Candidate.ReplacementIndex = replacement;
        v.Candidate.HasRunningDevice = !device.empty();
        v.Candidate.DeviceInstanceId = device;
        v.Candidate.NewerUnused = newerUnused;
        return v;
    };
    const std::wstring named = L": qgfx.inf (oem2.inf); Version 31.0.15.3623";
    struct Case {
        PackageVerdict Verdict;
        std::wstring Text;
    };
    const Case cases[] = {
        {verdict(RemovalReason::Protected, 1), L"Protected package"},
        {verdict(RemovalReason::AssociatedWithDevice, 1), L"Associated with a device"},
        {verdict(RemovalReason::InsufficientData, 1), L"Insufficient data for automatic selection"},
        {verdict(RemovalReason::TargetNotConfirmed, 1), L"Compatibility with the target Windows not confirmed"},
        {verdict(RemovalReason::NoNewerVersion, 1, L"DEV\\1"), L"No suitable newer version found"},
        {verdict(RemovalReason::PossibleReplacement, 1), L"Possible replacement: manual review required" + named},
        {verdict(RemovalReason::ConfirmedReplacement, 1), L"Replacement confirmed for every Hardware ID" + named},
        {verdict(RemovalReason::ConfirmedReplacement, 1, L"PCI\\DEV\\1"),
         L"New driver is running on matching hardware; old package is not associated" + named + L"; PCI\\DEV\\1"},
        {verdict(RemovalReason::ConfirmedReplacement, 0, L"PCI\\DEV\\2", true),
         L"The newer package is unused. An older version is running on a matching device: qgfx.inf (oem1.inf); "
         L"Version 1.0; PCI\\DEV\\2"},
        {verdict(RemovalReason::ConfirmedReplacement, 2), L"Replacement confirmed for every Hardware ID: oem3.inf"},
        {verdict(RemovalReason::ConfirmedReplacement, 3), L"Replacement confirmed for every Hardware ID"},
        {verdict(RemovalReason::NewerRemovalDisabled, 1, L"DEV\\1"),
         L"Removal of newer versions is disabled in Settings."},
        {verdict(RemovalReason::NewerRemovalUnconfirmed, 1),
         L"Removal requires confirmation that a compatible older version is running and will remain installed, and "
         L"that the newer package is unused."},
        {verdict(static_cast<RemovalReason>(42), 1), L"Insufficient data for automatic selection"},
    };
    for (const Case& c : cases) EXPECT_EQ(DescribeReason(kEnglish, c.Verdict, packages), c.Text);
    EXPECT_EQ(
        DescribeReason(kRussian, verdict(RemovalReason::PossibleReplacement, 1), packages),
        std::wstring(GetText(kRussian, 193)) + L": qgfx.inf (oem2.inf); " + GetText(kRussian, 8) + L"31.0.15.3623");
}

// Three families: A has an unused newest version over a running one, B a newer
// version whose older one is bound but runs nothing, C two unbound versions.
struct SelectionSetup {
    std::vector<DriverPackage> Packages{
        Package(L"oem10.inf", L"a.inf", L"1.0", L"2020-01-01", Ids(0, 4)),
        Package(L"oem11.inf", L"a.inf", L"2.0", L"2021-01-01", Ids(0, 4)),
        Package(L"oem12.inf", L"a.inf", L"3.0", L"2022-01-01", Ids(0, 4)),
        With(Package(L"oem20.inf", L"b.inf", L"1.0", L"2020-01-01", Ids(10, 4)), L"Marrowfen"),
        With(Package(L"oem21.inf", L"b.inf", L"2.0", L"2021-01-01", Ids(10, 4)), L"Marrowfen"),
        With(Package(L"oem30.inf", L"c.inf", L"1.0", L"2020-01-01", Ids(20, 4)), L"Tavrin"),
        With(Package(L"oem31.inf", L"c.inf", L"2.0", L"2021-01-01", Ids(20, 4)), L"Tavrin"),
    };
    InfNameSet Used{L"oem11.inf", L"oem20.inf"};
    std::vector<DeviceBinding> Bindings{Running(L"oem11.inf", L"PCI\\A\\1", Id(0), {Id(0)})};

    static DriverPackage With(DriverPackage package, const std::wstring& provider) {
        package.Provider = provider;
        return package;
    }
};

TEST(CleanupSelection, MergesBothChecksExplainsAndLogsEveryPackage) {
    struct Want {
        RemovalReason Reason;
        std::size_t Replacement = 0;
        bool NewerUnused = false;
    };
    struct Case {
        const char* Name;
        bool AllowNewerUnused;
        bool DisableBootCriticalProtection;
        bool BootCriticalC;  // the newer package of family C is boot-critical
        std::vector<Want> Verdicts;
    };
    using R = RemovalReason;
    const Case cases[] = {
        {"both settings on",
         true,
         true,
         false,
         // The unused newest version of A goes and cannot replace the oldest.
         {{R::ConfirmedReplacement, 1},
          {R::AssociatedWithDevice},
          {R::ConfirmedReplacement, 1, true},
          {R::AssociatedWithDevice},
          {R::NewerRemovalUnconfirmed},
          {R::ConfirmedReplacement, 6},
          {R::NoNewerVersion}}},
        {"newer versions kept",
         false,
         true,
         true,
         {{R::ConfirmedReplacement, 2},
          {R::AssociatedWithDevice},
          {R::NewerRemovalDisabled},
          {R::AssociatedWithDevice},
          {R::NewerRemovalDisabled},
          {R::ConfirmedReplacement, 6},
          {R::NoNewerVersion}}},
        {"boot-critical packages protected",
         true,
         false,
         true,
         {{R::ConfirmedReplacement, 1},
          {R::AssociatedWithDevice},
          {R::ConfirmedReplacement, 1, true},
          {R::AssociatedWithDevice},
          {R::NewerRemovalUnconfirmed},
          {R::NoNewerVersion},
          {R::Protected}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SelectionSetup setup;
        setup.Packages[6].BootCritical = c.BootCriticalC;
        for (DriverPackage& package : setup.Packages) package.ReasonText = L"stale";
        RemovalOptions options;
        options.AllowNewerUnusedRemoval = c.AllowNewerUnused;
        options.DisableBootCriticalProtection = c.DisableBootCriticalProtection;
        std::vector<std::wstring> log;
        const CleanupSelection selection =
            SelectCleanupCandidates(setup.Packages, options, kEnglish, setup.Used, setup.Bindings,
                                    [&](const std::wstring& line) { log.push_back(line); });

        ASSERT_EQ(selection.Verdicts.size(), c.Verdicts.size());
        ASSERT_EQ(log.size(), c.Verdicts.size());
        std::vector<std::size_t> expectedCandidates;
        for (std::size_t i = 0; i < c.Verdicts.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "package " << i);
            const PackageVerdict& verdict = selection.Verdicts[i];
            EXPECT_EQ(static_cast<int>(verdict.Reason), static_cast<int>(c.Verdicts[i].Reason));
            const std::wstring reason = DescribeReason(kEnglish, verdict, setup.Packages);
            EXPECT_EQ(setup.Packages[i].ReasonText, reason);
            EXPECT_EQ(log[i], PackageDisplayName(setup.Packages[i]) + L": " + reason);
            if (verdict.Reason != R::ConfirmedReplacement) continue;
            expectedCandidates.push_back(i);
            EXPECT_EQ(verdict.Candidate.OldIndex, i);
            EXPECT_EQ(verdict.Candidate.ReplacementIndex, c.Verdicts[i].Replacement);
            EXPECT_EQ(verdict.Candidate.NewerUnused, c.Verdicts[i].NewerUnused);
        }
        std::vector<std::size_t> candidates;
        for (const CleanupCandidate& candidate : selection.Candidates) candidates.push_back(candidate.OldIndex);
        EXPECT_EQ(candidates, expectedCandidates);
    }
}

// --- Guarantees over generated Driver Stores ---------------------------------

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring FamilyOf(const DriverPackage& package) {
    return Lower((package.ClassGuid.empty() ? package.ClassName : package.ClassGuid) + L"|" + package.ExtensionId +
                 L"|" + package.Provider);
}

bool IsNewer(const DriverPackage& a, const DriverPackage& b) {
    const int version = CompareVersions(a.Version, b.Version);
    return version > 0 || (version == 0 && CompareVersions(a.Date, b.Date) > 0);
}

bool SupportsAll(const DriverPackage& replacement, const DriverPackage& old) {
    if (old.HardwareIds.empty()) return false;
    for (const std::wstring& id : old.HardwareIds) {
        const bool listed = std::any_of(replacement.HardwareIds.begin(), replacement.HardwareIds.end(),
                                        [&](const std::wstring& other) { return Lower(other) == Lower(id); });
        if (!listed) return false;
    }
    return true;
}

struct GeneratedStore {
    std::vector<DriverPackage> Packages;
    InfNameSet Used;
    std::vector<DeviceBinding> Bindings;
    RemovalOptions Options;
    std::vector<std::size_t> FamilyOfPackage;
};

// Small families with every flag, gap and coincidence the rules care about:
// shared and differing INF names, equal versions, missing data, printer INFs,
// boot-critical and in-box packages, bound packages with and without running
// devices, devices matched by compatible IDs.
GeneratedStore Generate(std::mt19937& random, int families) {
    const auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; };
    const auto pick = [&](const auto& items) {
        return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random)];
    };
    const std::vector<std::wstring> versions{L"1.0", L"1.0.0.0", L"1.9", L"1.10", L"2.0", L"2.0.1", L"10.0"};
    const std::vector<std::wstring> dates{L"", L"2020-01-01", L"2021-05-05", L"2021-5-5", L"2023-12-31"};
    GeneratedStore store;
    store.Options.DisableBootCriticalProtection = chance(50);
    store.Options.AllowNewerUnusedRemoval = chance(70);
    int published = 1;
    for (int f = 0; f < families; ++f) {
        const int count = std::uniform_int_distribution<int>(1, 6)(random);
        const std::wstring provider = chance(80) ? L"Vendor" + std::to_wstring(f) : L"VENDOR" + std::to_wstring(f);
        for (int v = 0; v < count; ++v) {
            std::vector<std::wstring> ids;
            for (int n = 0; n < 8; ++n) {
                if (chance(60)) ids.push_back(chance(90) ? Id(f * 100 + n) : Lower(Id(f * 100 + n)));
            }
            const std::wstring inf = chance(5)    ? L"NTPRINT.inf"
                                     : chance(25) ? L"alt" + std::to_wstring(f) + L".inf"
                                                  : L"f" + std::to_wstring(f) + L".inf";
            DriverPackage package =
                Package(L"oem" + std::to_wstring(published++) + L".inf", inf, pick(versions), pick(dates), ids);
            package.Provider = provider;
            package.InBox = chance(3);
            if (chance(3)) package.PublishedName += L".bak";
            package.BootCritical = chance(10);
            package.HardwareIdsComplete = chance(92);
            package.HasModelsSection = chance(92);
            if (chance(3)) package.Version.clear();
            if (chance(25)) {
                store.Used.insert(package.PublishedName);
                if (chance(70) && !ids.empty()) {
                    const std::wstring matching = chance(85) ? pick(ids) : L"PCI\\CC_0300";
                    std::vector<std::wstring> deviceIds{matching,
                                                        Id(f * 100 + std::uniform_int_distribution<int>(0, 7)(random))};
                    store.Bindings.push_back(Running(package.PublishedName,
                                                     L"PCI\\DEV\\" + std::to_wstring(store.Bindings.size()), matching,
                                                     deviceIds));
                    store.Bindings.back().Running = chance(90);
                }
            }
            store.Packages.push_back(std::move(package));
            store.FamilyOfPackage.push_back(static_cast<std::size_t>(f));
        }
    }
    return store;
}

// What every confirmed candidate must satisfy, whichever check proposed it.
void ExpectSafeCandidates(const GeneratedStore& store, const std::vector<CleanupCandidate>& candidates,
                          bool bootCriticalAllowed) {
    std::vector<bool> leaving(store.Packages.size());
    for (const CleanupCandidate& candidate : candidates) leaving[candidate.OldIndex] = true;
    for (const CleanupCandidate& candidate : candidates) {
        const DriverPackage& old = store.Packages[candidate.OldIndex];
        const DriverPackage& replacement = store.Packages[candidate.ReplacementIndex];
        SCOPED_TRACE(testing::Message() << "candidate " << old.PublishedName << " for " << replacement.PublishedName);
        EXPECT_TRUE(IsOemPackage(old));
        EXPECT_FALSE(store.Used.contains(FileNamePart(old.PublishedName)));
        EXPECT_FALSE(old.BootCritical && !bootCriticalAllowed);
        EXPECT_FALSE(IsPrinterClassInf(old.OriginalInfName));
        EXPECT_TRUE(IsOemPackage(replacement));
        EXPECT_FALSE(leaving[candidate.ReplacementIndex]) << "the replacement is removed too";
        EXPECT_EQ(FamilyOf(old), FamilyOf(replacement));
        EXPECT_TRUE(HasReplacementData(replacement));
        const auto device = std::find_if(store.Bindings.begin(), store.Bindings.end(), [&](const DeviceBinding& b) {
            return b.Running && b.InstanceId == candidate.DeviceInstanceId &&
                   SameInfName(b.InfName, FileNamePart(replacement.PublishedName));
        });
        EXPECT_EQ(device != store.Bindings.end(), candidate.HasRunningDevice);
        if (candidate.NewerUnused) {
            EXPECT_TRUE(IsNewer(old, replacement));
            EXPECT_TRUE(store.Used.contains(FileNamePart(replacement.PublishedName)));
            EXPECT_TRUE(candidate.HasRunningDevice);
            EXPECT_TRUE(SupportsAll(replacement, old));
        } else {
            EXPECT_TRUE(IsNewer(replacement, old));
            EXPECT_FALSE(replacement.BootCritical && !bootCriticalAllowed);
            EXPECT_TRUE(candidate.HasRunningDevice || SupportsAll(replacement, old));
        }
    }
}

// The store with its families in another order, each family's packages keeping
// their relative order.
GeneratedStore ShuffleFamilies(const GeneratedStore& store, std::mt19937& random) {
    std::map<std::size_t, std::vector<std::size_t>> members;
    for (std::size_t i = 0; i < store.Packages.size(); ++i) members[store.FamilyOfPackage[i]].push_back(i);
    std::vector<std::vector<std::size_t>> queues;
    for (auto& [family, indices] : members) queues.push_back(indices);
    GeneratedStore shuffled = store;
    shuffled.Packages.clear();
    shuffled.FamilyOfPackage.clear();
    std::vector<std::size_t> next(queues.size());
    // Interleave the families at random.
    for (std::size_t left = store.Packages.size(); left > 0; --left) {
        std::size_t q = 0;
        do {
            q = std::uniform_int_distribution<std::size_t>(0, queues.size() - 1)(random);
        } while (next[q] == queues[q].size());
        const std::size_t i = queues[q][next[q]++];
        shuffled.Packages.push_back(store.Packages[i]);
        shuffled.FamilyOfPackage.push_back(store.FamilyOfPackage[i]);
    }
    return shuffled;
}

TEST(CleanupSelection, GeneratedStoresNeverLoseADriverAMachineNeeds) {
    std::mt19937 random(20240611);
    int candidatesSeen = 0;
    int newerUnusedSeen = 0;
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        GeneratedStore store = Generate(random, 6);

        // The console's cleanup: the old-version check alone, boot-critical kept.
        const std::vector<PackageVerdict> console =
            FindOldVersions(store.Packages, store.Used, store.Bindings, false, InfNameSet());
        std::vector<CleanupCandidate> consoleCandidates;
        for (std::size_t i = 0; i < console.size(); ++i) {
            const RemovalReason reason = console[i].Reason;
            if (reason == RemovalReason::PossibleReplacement || reason == RemovalReason::ConfirmedReplacement) {
                EXPECT_EQ(console[i].Candidate.OldIndex, i);
            }
            if (reason == RemovalReason::ConfirmedReplacement) consoleCandidates.push_back(console[i].Candidate);
        }
        ExpectSafeCandidates(store, consoleCandidates, false);

        // The automatic selection behind the button, with the generated settings.
        std::vector<DriverPackage> packages = store.Packages;
        const CleanupSelection selection =
            SelectCleanupCandidates(packages, store.Options, kEnglish, store.Used, store.Bindings, {});
        ExpectSafeCandidates(store, selection.Candidates, store.Options.DisableBootCriticalProtection);
        candidatesSeen += static_cast<int>(selection.Candidates.size());
        for (const CleanupCandidate& candidate : selection.Candidates) newerUnusedSeen += candidate.NewerUnused ? 1 : 0;

        // Unrelated packages in another order change no verdict.
        const GeneratedStore shuffled = ShuffleFamilies(store, random);
        std::vector<DriverPackage> shuffledPackages = shuffled.Packages;
        const CleanupSelection again =
            SelectCleanupCandidates(shuffledPackages, store.Options, kEnglish, store.Used, store.Bindings, {});
        std::map<std::wstring, std::wstring> reasons;
        for (const DriverPackage& package : packages) reasons[package.PublishedName] = package.ReasonText;
        for (const DriverPackage& package : shuffledPackages)
            EXPECT_EQ(package.ReasonText, reasons[package.PublishedName]) << package.PublishedName;
    }
    // The generator must reach the interesting cases for the checks above to mean anything.
    EXPECT_GT(candidatesSeen, 400);
    EXPECT_GT(newerUnusedSeen, 20);
}

}  // namespace
