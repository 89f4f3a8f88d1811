// The work behind "Select old drivers": its texts, what the finishing step checks,
// logs and reports, and whole runs over seeded Windows installations with devices.
#include "analysis/outdated_selection.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "analysis/installed_inventory.h"
#include "analysis/old_version_detection.h"
#include "current_windows_seed.h"
#include "devices/fake_devices.h"
#include "old_versions_fixture.h"
#include "platform/dism_session.h"
#include "platform/package_text.h"
#include "sample_windows.h"
#include "test_support.h"
#include "windows_root_builder.h"

namespace {

using namespace oldversions;

constexpr LangId kEnglish = 1;

RemovalOptions Options(bool disableBootCriticalProtection, bool allowNewerUnusedRemoval) {
    RemovalOptions options;
    options.DisableBootCriticalProtection = disableBootCriticalProtection;
    options.AllowNewerUnusedRemoval = allowNewerUnusedRemoval;
    return options;
}

TEST(OutdatedSelection, EitherRemovalSettingLooksForEverythingRemovable) {
    struct Case {
        bool Disable;
        bool Allow;
        OutdatedSelectionTexts Texts;
    };
    const Case cases[] = {{false, false, {100, 139, 101, 121}},
                          {true, false, {227, 225, 226, 226}},
                          {false, true, {227, 225, 226, 226}},
                          {true, true, {227, 225, 226, 226}}};
    for (const Case& c : cases) {
        const OutdatedSelectionTexts texts = ChooseOutdatedSelectionTexts(Options(c.Disable, c.Allow));
        EXPECT_EQ(texts.Progress, c.Texts.Progress);
        EXPECT_EQ(texts.ResultPrefix, c.Texts.ResultPrefix);
        EXPECT_EQ(texts.NothingFoundStatus, c.Texts.NothingFoundStatus);
        EXPECT_EQ(texts.NothingFoundMessage, c.Texts.NothingFoundMessage);
    }
}

struct Finished {
    OutdatedSelectionReport Report;
    std::vector<std::wstring> Log;
    std::vector<bool> Checked;
};

Finished Finish(std::vector<DriverPackage> installed, const OutdatedSelectionRun& run, bool completed, bool isCurrent,
                const RemovalOptions& options) {
    Finished finished;
    finished.Report = FinishOutdatedSelection(installed, run, completed, isCurrent, options, kEnglish,
                                              [&](const std::wstring& line) { finished.Log.push_back(line); });
    for (const DriverPackage& package : installed) finished.Checked.push_back(package.Checked);
    return finished;
}

TEST(OutdatedSelection, WithoutCandidatesNothingIsCheckedAndTheReasonIsShown) {
    std::vector<DriverPackage> installed{Package(L"oem1.inf", L"a.inf", L"1.0", L"2020-01-01", {}),
                                         Package(L"oem2.inf", L"b.inf", L"1.0", L"2020-01-01", {})};
    for (DriverPackage& package : installed) package.Checked = true;

    OutdatedSelectionRun failed;
    failed.Snapshot.Error = L"Windows не вернула ни одного драйвера";
    const Finished aborted = Finish(installed, failed, false, true, Options(true, true));
    EXPECT_EQ(aborted.Checked, std::vector<bool>(2, false));
    EXPECT_TRUE(aborted.Log.empty());
    EXPECT_TRUE(aborted.Report.StatusText.empty());
    EXPECT_TRUE(aborted.Report.MessageText.empty());

    const Finished unverified = Finish(installed, failed, true, true, Options(true, true));
    EXPECT_EQ(unverified.Checked, std::vector<bool>(2, false));
    EXPECT_EQ(unverified.Report.StatusText, L"Selection cancelled: device associations could not be checked");
    EXPECT_EQ(unverified.Report.Percent, 0);
    EXPECT_FALSE(unverified.Report.StickyStatus);
    EXPECT_EQ(unverified.Report.MessageText, failed.Snapshot.Error);
    EXPECT_EQ(unverified.Report.MessageIcon, SelectionMessageIcon::Error);
    EXPECT_EQ(unverified.Log, std::vector<std::wstring>{L"Автоматический выбор отменён: " + failed.Snapshot.Error});

    OutdatedSelectionRun empty;
    empty.Snapshot.Verified = true;
    empty.Snapshot.UsedInfs = {L"oem1.inf", L"machine.inf", L"usb.inf"};
    for (const bool settingsOn : {false, true}) {
        SCOPED_TRACE(settingsOn ? "settings on" : "settings off");
        const Finished nothing = Finish(installed, empty, true, true, Options(settingsOn, false));
        EXPECT_EQ(nothing.Checked, std::vector<bool>(2, false));
        EXPECT_EQ(nothing.Report.StatusText,
                  settingsOn ? L"No packages meet the removal criteria." : L"No old versions found");
        EXPECT_EQ(nothing.Report.MessageText, GetText(kEnglish, settingsOn ? 226 : 121));
        EXPECT_EQ(nothing.Report.MessageIcon, SelectionMessageIcon::Information);
        EXPECT_EQ(nothing.Report.Percent, 100);
        EXPECT_TRUE(nothing.Report.StickyStatus);
        EXPECT_EQ(nothing.Log,
                  std::vector<std::wstring>{L"Кандидаты для удаления не найдены. Проверено привязок OEM INF: 3"});
    }
}

TEST(OutdatedSelection, CandidatesAreCheckedLoggedAndSummed) {
    std::vector<DriverPackage> installed{
        Package(L"oem1.inf", L"a.inf", L"1.0", L"2023-01-01", {}),   // old, later date, other INF, device
        Package(L"oem2.inf", L"a2.inf", L"2.0", L"2022-01-01", {}),  // its replacement
        Package(L"oem3.inf", L"b.inf", L"1.0", L"2020-01-01", {}),   // plain old version
        Package(L"oem4.inf", L"b.inf", L"2.0", L"2021-01-01", {}),   // newer unused
        Package(L"oem5.inf", L"c.inf", L"1.0", L"2020-01-01", {}),   // checked by the user before
    };
    installed[0].SizeBytes = 1048576;
    installed[2].SizeBytes = 524288;
    installed[3].SizeBytes = 524288;
    installed[3].ReasonText = L"The newer package is unused.";
    installed[4].Checked = true;
    OutdatedSelectionRun run;
    run.Snapshot.Verified = true;
    run.Snapshot.DevicesExamined = 57;
    CleanupCandidate withDevice{0, 1, true, true, 3, 4, true, L"PCI\\DEV\\7", false};
    CleanupCandidate plain{2, 3, false, false, 2, 2, false, L"", false};
    CleanupCandidate newerUnused{3, 2, false, true, 2, 2, true, L"PCI\\DEV\\8", true};
    run.Selection.Candidates = {withDevice, plain, newerUnused};

    const std::wstring line0 = L"a.inf (oem1.inf); версия 1.0; дата 2023-01-01; размер 1.00 MB";
    const std::wstring line1 = L"a2.inf (oem2.inf); версия 2.0; дата 2022-01-01; размер 0.00 MB";
    const std::wstring line2 = L"b.inf (oem3.inf); версия 1.0; дата 2020-01-01; размер 0.50 MB";
    const std::wstring line3 = L"b.inf (oem4.inf); версия 2.0; дата 2021-01-01; размер 0.50 MB";
    const std::vector<std::wstring> candidateLog{
        L"Выделен устаревший пакет: " + line0 + L"; более новая версия: " + line1 +
            L"; внимание: дата старой версии новее даты замены"
            L"; разные исходные INF сопоставлены по первичным Hardware ID: 3/4"
            L"; новая версия уже работает на устройстве: PCI\\DEV\\7"
            L"; старый пакет не связан ни с одним зарегистрированным устройством",
        L"Выделен устаревший пакет: " + line2 + L"; более новая версия: " + line3,
        L"Выделен более новый неиспользуемый пакет: " + line3 + L"; The newer package is unused.",
    };
    const std::wstring summary = L"Selected for removal: 3; 2.00 MB; with a newer date: 1; Hardware ID: 1";
    for (const bool isCurrent : {true, false}) {
        SCOPED_TRACE(isCurrent ? "current Windows" : "offline Windows");
        const Finished finished = Finish(installed, run, true, isCurrent, Options(true, true));
        EXPECT_EQ(finished.Checked, (std::vector<bool>{true, false, true, true, false}));
        std::vector<std::wstring> expected = candidateLog;
        expected.push_back(L"Автоматический выбор завершён. " + summary +
                           (isCurrent ? L"; установленных устройств: 57" : L""));
        EXPECT_EQ(finished.Log, expected);
        EXPECT_EQ(finished.Report.StatusText, summary);
        EXPECT_EQ(finished.Report.Percent, 100);
        EXPECT_TRUE(finished.Report.StickyStatus);
        EXPECT_TRUE(finished.Report.MessageText.empty());
    }

    // Without later dates and other INFs the summary leaves those parts out;
    // an addition that would overflow the total is skipped.
    run.Selection.Candidates = {plain};
    installed[2].SizeBytes = std::numeric_limits<std::uint64_t>::max();
    run.Selection.Candidates.push_back(CleanupCandidate{4, 3, false, false, 1, 1, false, L"", false});
    installed[4].SizeBytes = 1;
    const Finished quiet = Finish(installed, run, true, false, Options(false, false));
    EXPECT_EQ(quiet.Report.StatusText,
              L"Old versions selected: 2; " + FormatSizeMB(std::numeric_limits<std::uint64_t>::max(), kEnglish));
}

// --- Whole runs over seeded installations -------------------------------------

constexpr wchar_t kProviderTag[] = L"Quillbay selection fixture ";

sim::FixturePackage Fixture(int number, const std::wstring& inf, const std::wstring& family,
                            const std::wstring& version, int year, std::vector<std::wstring> ids) {
    sim::FixturePackage package;
    package.PublishedName = L"oem" + std::to_wstring(number) + L".inf";
    package.InfName = inf;
    package.Provider = kProviderTag + family;
    package.ClassName = L"Display";
    package.ClassGuid = sim::kDisplayClassGuid;
    package.Version = version;
    package.Date = {year, 6, 1};
    package.Models = {{L"NTamd64", std::move(ids)}};
    return package;
}

std::vector<std::wstring> FixtureIds(wchar_t family, int first, int count) {
    std::vector<std::wstring> ids;
    for (int n = first; n < first + count; ++n) {
        wchar_t id[48];
        std::swprintf(id, 48, L"PCI\\VEN_1F3B&DEV_%c%03d", family, n);
        ids.emplace_back(id);
    }
    return ids;
}

// Each family shows one verdict: A full hardware-ID coverage, B a running device
// of a newer package with another INF, C a newer bound package with another INF
// covering 19 of 20 IDs (its device is disconnected), D boot-critical packages,
// E a bound single version, F an unused newer version over a running one.
// `base` numbers the published names.
std::vector<sim::FixturePackage> SelectionFixtures(int base) {
    sim::FixturePackage d1 = Fixture(base + 7, L"qd.inf", L"D", L"1.0.0.0", 2020, FixtureIds(L'D', 1, 2));
    d1.Service = sim::FixtureService{L"qdstor", SERVICE_BOOT_START};
    sim::FixturePackage d2 = Fixture(base + 8, L"qd.inf", L"D", L"2.0.0.0", 2021, FixtureIds(L'D', 1, 2));
    d2.Service = d1.Service;
    return {Fixture(base + 1, L"qa.inf", L"A", L"1.0.0.0", 2020, FixtureIds(L'A', 1, 2)),
            Fixture(base + 2, L"qa.inf", L"A", L"2.0.0.0", 2021, FixtureIds(L'A', 1, 3)),
            Fixture(base + 3, L"qb.inf", L"B", L"1.0.0.0", 2020, FixtureIds(L'B', 1, 3)),
            Fixture(base + 4, L"qb-dch.inf", L"B", L"2.0.0.0", 2021,
                    {FixtureIds(L'B', 1, 1)[0], L"PCI\\VEN_1F3B&DEV_B009"}),
            Fixture(base + 5, L"qc.inf", L"C", L"1.0.0.0", 2020, FixtureIds(L'C', 0, 20)),
            Fixture(base + 6, L"qc-dch.inf", L"C", L"2.0.0.0", 2021, FixtureIds(L'C', 0, 19)),
            d1,
            d2,
            Fixture(base + 9, L"qe.inf", L"E", L"1.0.0.0", 2020, FixtureIds(L'E', 1, 2)),
            Fixture(base + 10, L"qf.inf", L"F", L"1.0.0.0", 2020, FixtureIds(L'F', 1, 3)),
            Fixture(base + 11, L"qf.inf", L"F", L"2.0.0.0", 2021, FixtureIds(L'F', 1, 2))};
}

struct ExpectedVerdict {
    int Offset;  // published number - base
    RemovalReason Reason;
    TextId Text;
    int ReplacementOffset = 0;  // for reasons 5 and 6
};

// Our packages out of everything DISM lists for the target, in its order.
std::vector<DriverPackage> ReadFixturePackages(bool isCurrent, const std::wstring& root) {
    test::TempFolder logs(L"qbselect");
    DismSession dism;
    std::wstring error;
    EXPECT_TRUE(dism.Initialize((logs.Path() / L"dism.log").wstring(), error)) << error;
    InstalledInventory inventory;
    ReadInstalledPackages(dism, isCurrent, root, kEnglish, {}, inventory);
    EXPECT_TRUE(inventory.Done) << inventory.Error;
    std::vector<DriverPackage> ours;
    for (DriverPackage& package : inventory.Packages) {
        if (package.Provider.rfind(kProviderTag, 0) == 0) ours.push_back(std::move(package));
    }
    return ours;
}

void ExpectVerdicts(const std::vector<DriverPackage>& packages, const std::vector<PackageVerdict>& verdicts, int base,
                    const std::vector<ExpectedVerdict>& expected) {
    ASSERT_EQ(verdicts.size(), packages.size());
    std::map<std::wstring, std::size_t> byName;
    for (std::size_t i = 0; i < packages.size(); ++i) byName[packages[i].PublishedName] = i;
    const auto name = [&](int offset) { return L"oem" + std::to_wstring(base + offset) + L".inf"; };
    ASSERT_EQ(byName.size(), expected.size());
    for (const ExpectedVerdict& want : expected) {
        SCOPED_TRACE(testing::Message() << "oem" << base + want.Offset << ".inf");
        ASSERT_TRUE(byName.contains(name(want.Offset)));
        const PackageVerdict& verdict = verdicts[byName[name(want.Offset)]];
        EXPECT_EQ(static_cast<int>(verdict.Reason), static_cast<int>(want.Reason));
        const std::wstring text = DescribeReason(kEnglish, verdict, packages);
        EXPECT_EQ(text.rfind(GetText(kEnglish, want.Text), 0), 0u) << text;
        if (want.Reason == RemovalReason::PossibleReplacement || want.Reason == RemovalReason::ConfirmedReplacement) {
            EXPECT_EQ(packages[verdict.Candidate.ReplacementIndex].PublishedName, name(want.ReplacementOffset));
        }
    }
}

using R = RemovalReason;

TEST(OutdatedSelection, SeededCurrentWindowsWithDevicesGetsTheVerdictsItImplies) {
    constexpr int kBase = 8600;
    const std::wstring tag = sim::UniqueDeviceTag();
    const auto device = [&](const wchar_t* name, int offset, const std::wstring& matching) {
        return sim::RunningDevice(L"ROOT\\QUILLBAYTEST\\" + tag + name,
                                  L"C:\\Windows\\INF\\oem" + std::to_wstring(kBase + offset) + L".inf", {matching});
    };
    sim::FakeDevices devices;  // holds the device list for the whole test
    std::wstring error;
    sim::FakeDeviceSpec unplugged = device(L"C", 6, L"PCI\\VEN_1F3B&DEV_C000");
    unplugged.IsPresent = false;
    for (const sim::FakeDeviceSpec& spec :
         {device(L"B", 4, L"PCI\\VEN_1F3B&DEV_B001"), unplugged, device(L"E", 9, L"PCI\\VEN_1F3B&DEV_E001"),
          device(L"F", 10, L"PCI\\VEN_1F3B&DEV_F001")}) {
        ASSERT_TRUE(devices.Add(spec, error)) << error;
    }
    sim::FixtureWindows windows;
    windows.Packages = SelectionFixtures(kBase);
    sim::SeededCurrentWindows seeded;
    ASSERT_TRUE(sim::SeedCurrentWindows(windows, seeded, error)) << error;
    wchar_t windowsFolder[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryW(windowsFolder, MAX_PATH), 2u);
    const TargetWindows current{L"", std::wstring(windowsFolder, 2) + L"\\", true};
    std::vector<DriverPackage> installed = ReadFixturePackages(true, current.Root);
    EXPECT_TRUE(sim::RemoveSeededCurrentWindows(seeded, error)) << error;
    ASSERT_EQ(installed.size(), 11u);
    for (const DriverPackage& package : installed) {
        ASSERT_TRUE(package.HardwareIdsComplete && package.HasModelsSection) << package.PublishedName;
        ASSERT_EQ(package.BootCritical, package.OriginalInfName == L"qd.inf") << package.PublishedName;
    }

    // The console's view: the old-version check alone, boot-critical packages kept.
    BindingSnapshot snapshot;
    ASSERT_TRUE(
        ReadCurrentBindings(snapshot.UsedInfs, snapshot.DevicesExamined, snapshot.Error, &snapshot.Bindings, false))
        << snapshot.Error;
    const std::vector<ExpectedVerdict> oldVersions{{1, R::ConfirmedReplacement, 194, 2},
                                                   {2, R::NoNewerVersion, 192},
                                                   {3, R::ConfirmedReplacement, 195, 4},
                                                   {4, R::AssociatedWithDevice, 188},
                                                   {5, R::PossibleReplacement, 193, 6},
                                                   {6, R::AssociatedWithDevice, 188},
                                                   {7, R::Protected, 190},
                                                   {8, R::Protected, 190},
                                                   {9, R::AssociatedWithDevice, 188},
                                                   {10, R::AssociatedWithDevice, 188},
                                                   {11, R::NoNewerVersion, 192}};
    ExpectVerdicts(installed, FindOldVersions(installed, snapshot.UsedInfs, snapshot.Bindings, false, InfNameSet()),
                   kBase, oldVersions);

    // The button's job with boot-critical protection on and newer unused versions
    // allowed: the unused newer F goes as well.
    const RemovalOptions options = Options(false, true);
    std::vector<std::wstring> log;
    OperationCallbacks callbacks;
    callbacks.LogLine = [&](const std::wstring& line) { log.push_back(line); };
    OutdatedSelectionRun run;
    RunOutdatedSelection(current, installed, options, kEnglish, callbacks, run);
    ASSERT_TRUE(run.Snapshot.Verified) << run.Snapshot.Error;
    EXPECT_TRUE(run.Snapshot.Bindings.size() >= 3u);
    std::vector<ExpectedVerdict> selected = oldVersions;
    selected.back() = {11, R::ConfirmedReplacement, 224, 10};
    ExpectVerdicts(installed, run.Selection.Verdicts, kBase, selected);
    EXPECT_EQ(log.size(), installed.size());

    const OutdatedSelectionReport report =
        FinishOutdatedSelection(installed, run, true, true, options, kEnglish, callbacks.LogLine);
    std::vector<std::wstring> checked;
    for (const DriverPackage& package : installed) {
        if (package.Checked) checked.push_back(package.PublishedName);
    }
    std::sort(checked.begin(), checked.end());
    EXPECT_EQ(checked, (std::vector<std::wstring>{L"oem8601.inf", L"oem8603.inf", L"oem8611.inf"}));
    EXPECT_EQ(report.StatusText.rfind(L"Selected for removal: 3; ", 0), 0u) << report.StatusText;
    EXPECT_NE(report.StatusText.find(L"; Hardware ID: 1"), std::wstring::npos) << report.StatusText;
    EXPECT_NE(log.back().find(L"; установленных устройств: "), std::wstring::npos) << log.back();
}

TEST(OutdatedSelection, OfflineTargetConfirmsNothingByDevice) {
    sim::FixtureWindows windows;
    windows.Packages = SelectionFixtures(0);
    // The driver keys of the offline SYSTEM hive: B's, C's, E's and F's older packages are bound.
    for (const int bound : {4, 6, 9, 10}) {
        windows.DriverKeys.push_back({sim::kDisplayClassGuid, L"oem" + std::to_wstring(bound) + L".inf"});
    }
    test::TempFolder folder(L"qbselect");
    const std::wstring root = (folder.Path() / L"offline").wstring() + L"\\";
    std::wstring error;
    ASSERT_TRUE(sim::BuildWindowsRoot(windows, root, error)) << error;
    std::vector<DriverPackage> installed = ReadFixturePackages(false, root);
    ASSERT_EQ(installed.size(), 11u);

    std::vector<std::wstring> log;
    OperationCallbacks callbacks;
    callbacks.LogLine = [&](const std::wstring& line) { log.push_back(line); };
    OutdatedSelectionRun run;
    const RemovalOptions options = Options(false, true);
    RunOutdatedSelection({L"", root, false}, installed, options, kEnglish, callbacks, run);
    ASSERT_TRUE(run.Snapshot.Verified) << run.Snapshot.Error;
    EXPECT_TRUE(run.Snapshot.Bindings.empty());
    // B has no running device to prove it, and F's older version runs nothing that can be seen.
    ExpectVerdicts(installed, run.Selection.Verdicts, 0,
                   {{1, R::ConfirmedReplacement, 194, 2},
                    {2, R::NoNewerVersion, 192},
                    {3, R::NoNewerVersion, 192},
                    {4, R::AssociatedWithDevice, 188},
                    {5, R::PossibleReplacement, 193, 6},
                    {6, R::AssociatedWithDevice, 188},
                    {7, R::Protected, 190},
                    {8, R::Protected, 190},
                    {9, R::AssociatedWithDevice, 188},
                    {10, R::AssociatedWithDevice, 188},
                    {11, R::NewerRemovalUnconfirmed, 223}});

    const OutdatedSelectionReport report =
        FinishOutdatedSelection(installed, run, true, false, options, kEnglish, callbacks.LogLine);
    EXPECT_EQ(report.StatusText.rfind(L"Selected for removal: 1; ", 0), 0u) << report.StatusText;
    EXPECT_EQ(log.back().rfind(L"Автоматический выбор завершён. " + report.StatusText, 0), 0u);
    EXPECT_EQ(log.back().find(L"установленных устройств"), std::wstring::npos);
}

}  // namespace
