// Removal without the window: the confirmation's exclusions and texts, the
// worker's re-check of the confirmed decision, forced and unforced removal in
// the running system, and offline removal through the DISM stand-in.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/text_encoding.h"
#include "operations/package_removal.h"
#include "operations/removal_confirmation.h"
#include "operations/removal_summary.h"
#include "platform/package_text.h"
#include "removal_scenario.h"
#include "test_support.h"
#include "tests/analysis/old_versions_fixture.h"

namespace fs = std::filesystem;
using namespace removaltest;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& part) {
    for (const std::wstring& line : lines)
        if (line.find(part) != std::wstring::npos) return true;
    return false;
}

std::vector<DriverPackage*> Select(std::vector<DriverPackage>& installed, const std::vector<std::wstring>& names) {
    std::vector<DriverPackage*> selection;
    for (DriverPackage& package : installed)
        for (const std::wstring& name : names)
            if (package.PublishedName == name) selection.push_back(&package);
    return selection;
}

class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring error;
        ASSERT_TRUE(dism.Initialize((temp.Path() / L"dism.log").wstring(), error)) << error;
        callbacks.LogLine = [this](const std::wstring& line) {
            log.push_back(line);
            if (onLog) onLog(line);
        };
        callbacks.Progress = [this](const std::wstring& text, int percent) {
            progress.push_back(text + L" @" + std::to_wstring(percent));
        };
        callbacks.Cancelled = [this] { return cancel; };
    }

    // What the user confirms for `selection`, taken the way the window takes it.
    RemovalConfirmation Confirm(const RemovalScope& scope, std::vector<DriverPackage*>& selection) {
        const BindingSnapshot snapshot = TakeRemovalSnapshot(scope, SelectedNames(selection));
        EXPECT_TRUE(snapshot.Verified) << snapshot.Error;
        return PrepareRemovalConfirmation(scope, selection, snapshot, callbacks.LogLine);
    }

    test::TempFolder temp{L"qbremoval"};
    DismSession dism;
    OperationCallbacks callbacks;
    std::vector<std::wstring> log;
    std::vector<std::wstring> progress;
    std::function<void(const std::wstring&)> onLog;
    bool cancel = false;
};

TEST_F(RemovalTest, ExclusionsManualAllModeAndTheConfirmationText) {
    SeededFamily family(9730);
    ASSERT_TRUE(family.Ready());
    std::vector<DriverPackage> installed = ReadPackages(dism, family.Target(), family.Names());
    ASSERT_EQ(installed.size(), 5u);
    ASSERT_TRUE(Named(installed, family.Name(4)).BootCritical);
    DriverPackage inBox;
    inBox.PublishedName = L"netqr.inf";
    inBox.OriginalInfName = L"netqr.inf";
    installed.push_back(inBox);
    const std::wstring all[] = {family.Name(2), family.Name(3), family.Name(4), L"netqr.inf"};

    {
        SCOPED_TRACE("protection on, newer removal off: three excluded, one per code");
        RemovalOptions options;
        options.DisableBootCriticalProtection = false;
        options.AllowNewerUnusedRemoval = false;
        const RemovalScope scope{installed, family.Target(), options, kEnglish};
        for (DriverPackage& package : installed) package.Checked = true;
        std::vector<DriverPackage*> selection = Select(installed, {std::begin(all), std::end(all)});
        const RemovalConfirmation confirmation = Confirm(scope, selection);
        ASSERT_EQ(selection.size(), 1u);
        EXPECT_EQ(selection[0]->PublishedName, family.Name(2));
        for (const std::wstring& name : {family.Name(3), family.Name(4), std::wstring(L"netqr.inf")})
            EXPECT_FALSE(Named(installed, name).Checked) << name;
        EXPECT_TRUE(Named(installed, family.Name(2)).Checked);
        EXPECT_EQ(ExclusionMessage(confirmation.Exclusions, kEnglish),
                  std::wstring(GetText(kEnglish, 228)) + L"\r\n1 \u2014 " + GetText(kEnglish, 129) + L"\r\n1 \u2014 " +
                      GetText(kEnglish, 221) + L"\r\n1 \u2014 " + GetText(kEnglish, 222));
        EXPECT_TRUE(Contains(log, PackageDisplayName(Named(installed, family.Name(4))) + L": " + GetText(kEnglish, 221)));
        // The unused package nothing else serves: manual choice, a risk, forced removal.
        ASSERT_EQ(confirmation.Rows.size(), 1u);
        EXPECT_EQ(confirmation.Rows[0].Package, L"qrcam.inf / " + family.Name(2));
        EXPECT_EQ(confirmation.Rows[0].Reason, GetText(kEnglish, 186));
        EXPECT_EQ(confirmation.Rows[0].Version, L"1.0.0.0");
        EXPECT_TRUE(confirmation.HasRisks);
        EXPECT_EQ(confirmation.Text,
                  std::wstring(GetText(kEnglish, 114)) + L"\r\n" + GetText(kEnglish, 116) + L"1\r\n\r\n" +
                      GetText(kEnglish, 250) + L"\r\n" + PackageDisplayName(Named(installed, family.Name(2))) + L" \u2014 " +
                      GetText(kEnglish, 246) + L"\r\n\r\n" + GetText(kEnglish, 123) + L"\r\n\r\n" +
                      GetText(kEnglish, 124));
    }
    {
        SCOPED_TRACE("bindings not verified: the newer version is unconfirmed, nothing counts as in use");
        const RemovalScope scope{installed, family.Target(), RemovalOptions{}, kEnglish};
        std::vector<DriverPackage*> selection = Select(installed, {family.Name(2), family.Name(3)});
        BindingSnapshot unverified;
        unverified.Error = L"нет привязок";
        log.clear();
        const RemovalConfirmation confirmation =
            PrepareRemovalConfirmation(scope, selection, unverified, callbacks.LogLine);
        EXPECT_EQ(confirmation.Exclusions.at(NewerVersionCode::NewerRemovalUnconfirmed), 1u);
        ASSERT_EQ(confirmation.Rows.size(), 1u);
        EXPECT_EQ(confirmation.Rows[0].Reason, GetText(kEnglish, 187));
        EXPECT_THAT(confirmation.Text, HasSubstr(GetText(kEnglish, 126)));
        EXPECT_TRUE(Contains(log, L"Перед ручным удалением не удалось определить привязки устройств: нет привязок"));
        // Nothing is forced on data that could not be read: Windows keeps what devices use.
        EXPECT_THAT(confirmation.Text, HasSubstr(L"\r\n\r\n" + std::wstring(GetText(kEnglish, 259))));
        EXPECT_THAT(confirmation.Text, Not(HasSubstr(GetText(kEnglish, 124))));
        RemovalResult result;
        RemovePackages(selection, scope, confirmation.Decision, dism, callbacks, result);
        EXPECT_EQ(result.Removed, 1u);
        EXPECT_TRUE(fs::exists(family.PublishedInf(2))) << "removed without force";
        EXPECT_TRUE(Contains(log, L"; режим: без принуждения, привязки устройств не проверены"));

        SCOPED_TRACE("offline: DISM only forces, so nothing goes unless every package may");
        const TargetWindows offline{L"", (temp.Path() / L"offline").wstring() + L"\\", false};
        RemovalOptions options;
        const RemovalScope offlineScope{installed, offline, options, kEnglish};
        const RemovalConfirmation refused =
            PrepareRemovalConfirmation(offlineScope, selection, unverified, callbacks.LogLine);
        EXPECT_EQ(refused.Refusal, GetText(kEnglish, 260) + std::wstring(L"\r\n\r\nнет привязок"));
        EXPECT_TRUE(refused.Rows.empty());
        EXPECT_EQ(selection.size(), 1u);
        options.ManualRemoveAllOffline = true;
        const RemovalScope everything{installed, offline, options, kEnglish};
        EXPECT_TRUE(PrepareRemovalConfirmation(everything, selection, unverified, callbacks.LogLine).Refusal.empty());
    }
    {
        SCOPED_TRACE("manual removal of everything: the boot-critical package in use stays, with a critical risk");
        RemovalOptions options;
        options.DisableBootCriticalProtection = false;
        options.ManualRemoveAllCurrent = true;
        const RemovalScope scope{installed, family.Target(), options, kEnglish};
        std::vector<DriverPackage*> selection = Select(installed, {family.Name(3), family.Name(4)});
        const RemovalConfirmation confirmation = Confirm(scope, selection);
        ASSERT_EQ(selection.size(), 2u);
        EXPECT_TRUE(confirmation.Exclusions.empty());
        EXPECT_TRUE(confirmation.Decision.ConfirmedNewerUnused.empty());
        EXPECT_EQ(confirmation.Rows[1].Reason, GetText(kEnglish, 188) + std::wstring(L"; BootCritical"));
        EXPECT_EQ(confirmation.Decision.ConfirmedRisks.at(family.Name(4)), RemovalRisk::BootCriticalInUse);
        EXPECT_THAT(confirmation.Text, HasSubstr(L"\r\n" + std::wstring(GetText(kEnglish, 16)) + L" \u2014 " +
                                                 family.Target().Root + L"\r\n" + GetText(kEnglish, 257)));
        EXPECT_THAT(confirmation.Text, HasSubstr(GetText(kEnglish, 122)));
        EXPECT_THAT(confirmation.Text, HasSubstr(GetText(kEnglish, 125) + std::wstring(L"1")));
    }
}

TEST_F(RemovalTest, NewerUnusedGoesUnforcedTheOthersForcedAndAStoppedOlderVersionKeepsIt) {
    SeededFamily family(9740);
    ASSERT_TRUE(family.Ready());
    std::vector<DriverPackage> installed = ReadPackages(dism, family.Target(), family.Names());
    ASSERT_EQ(installed.size(), 5u);
    const RemovalScope scope{installed, family.Target(), RemovalOptions{}, kEnglish};
    std::vector<DriverPackage*> selection = Select(installed, {family.Name(2), family.Name(3)});
    const RemovalConfirmation confirmation = Confirm(scope, selection);
    ASSERT_EQ(selection.size(), 2u);
    EXPECT_EQ(confirmation.Decision.ConfirmedNewerUnused, InfNameSet{family.Name(3)});
    EXPECT_EQ(confirmation.Rows[1].Reason.rfind(GetText(kEnglish, 224), 0), 0u) << confirmation.Rows[1].Reason;
    EXPECT_THAT(confirmation.Text, HasSubstr(GetText(kEnglish, 230) + std::wstring(L" ") + GetText(kEnglish, 231)));

    // The older version's device takes another driver while the first package goes.
    onLog = [&](const std::wstring& line) {
        if (line.find(L"Удалён пакет: ") == 0) {
            std::wstring error;
            EXPECT_TRUE(sim::ChangeDriverInfPath(family.DeviceId(1), L"C:\\Windows\\INF\\machine.inf", error))
                << error;
            onLog = nullptr;
        }
    };
    RemovalResult result;
    RemovePackages(selection, scope, confirmation.Decision, dism, callbacks, result);
    EXPECT_EQ(result.Removed, 1u);
    EXPECT_EQ(result.Errors, 1u);
    EXPECT_FALSE(fs::exists(family.PublishedInf(2))) << "forced removal deletes the INF";
    EXPECT_TRUE(fs::exists(family.PublishedInf(3)));
    EXPECT_TRUE(Contains(log, L"; режим: принудительный"));
    EXPECT_TRUE(Contains(log, PackageDisplayName(Named(installed, family.Name(3))) + L": " + GetText(kEnglish, 229)));
    EXPECT_EQ(progress, std::vector<std::wstring>{GetText(kEnglish, 141) + family.Name(2) + L" @0"});
    EXPECT_TRUE(result.FreeBeforeMeasured && result.FreeAfterMeasured);

    // Bound again, the newer version goes without force: Windows then keeps
    // files that a forced removal deletes.
    std::wstring error;
    ASSERT_TRUE(sim::ChangeDriverInfPath(family.DeviceId(1), family.PublishedInf(1), error)) << error;
    std::vector<DriverPackage*> newer = Select(installed, {family.Name(3)});
    const RemovalConfirmation second = Confirm(scope, newer);
    log.clear();
    RemovePackages(newer, scope, second.Decision, dism, callbacks, result);
    EXPECT_EQ(result.Removed, 1u);
    EXPECT_EQ(result.Errors, 0u);
    EXPECT_TRUE(fs::exists(family.PublishedInf(3)));
    EXPECT_TRUE(Contains(log, PackageSummaryLine(Named(installed, family.Name(3)), kEnglish) +
                                  L"; более новая неиспользуемая версия"));
}

TEST_F(RemovalTest, ADevicePluggedInAfterTheConfirmationRefusesEverything) {
    // With risk warnings the new device brings a new risk; without them its use alone.
    for (const bool warn : {true, false}) {
        SCOPED_TRACE(warn ? "risk warnings on" : "risk warnings off");
        SeededFamily family(warn ? 9750 : 9780);
        ASSERT_TRUE(family.Ready());
        std::vector<DriverPackage> installed = ReadPackages(dism, family.Target(), family.Names());
        RemovalOptions options;
        options.WarnAboutRisks = warn;
        const RemovalScope scope{installed, family.Target(), options, kEnglish};
        std::vector<DriverPackage*> selection = Select(installed, {family.Name(2), family.Name(3)});
        const RemovalConfirmation confirmation = Confirm(scope, selection);
        ASSERT_EQ(confirmation.Decision.ConfirmedRisks.contains(family.Name(2)), warn);

        std::wstring error;
        ASSERT_TRUE(family.PlugIn(2, error)) << error;
        RemovalResult result;
        try {
            RemovePackages(selection, scope, confirmation.Decision, dism, callbacks, result);
            ADD_FAILURE() << "the removal went ahead";
        } catch (const std::runtime_error& refused) {
            EXPECT_EQ(Utf8ToWide(refused.what()), GetText(kEnglish, 229));
        }
        EXPECT_EQ(result.Removed + result.Errors, 0u);
        EXPECT_TRUE(fs::exists(family.PublishedInf(2)));
        EXPECT_TRUE(log.empty());
    }
}

TEST(RemovalKeepOut, APackageExcludedAtTheConfirmationKeepsNoOtherOut) {
    // Three versions of one driver: 1.0 and 2.0 run devices, 3.0 is unused.
    // 2.0 is in use and is taken out; it stays, so it confirms 3.0, and the
    // worker, keeping out the same packages, agrees.
    using oldversions::Id;
    using oldversions::Ids;
    using oldversions::Package;
    std::vector<DriverPackage> installed{Package(L"oem1.inf", L"qgfx.inf", L"1.0", L"2020-01-01", Ids(0, 2)),
                                         Package(L"oem2.inf", L"qgfx.inf", L"2.0", L"2021-01-01", Ids(0, 2)),
                                         Package(L"oem3.inf", L"qgfx.inf", L"3.0", L"2022-01-01", Ids(0, 2))};
    BindingSnapshot snapshot;
    snapshot.Verified = true;
    snapshot.UsedInfs = {L"oem1.inf", L"oem2.inf"};
    for (const wchar_t* inf : {L"oem1.inf", L"oem2.inf"})
        snapshot.Bindings.push_back(oldversions::Running(inf, std::wstring(L"PCI\\DEVICE\\") + inf, Id(0), {Id(0)}));
    const RemovalScope scope{installed, CurrentTarget(), RemovalOptions{}, kEnglish};
    std::vector<DriverPackage*> selection = Select(installed, {L"oem2.inf", L"oem3.inf"});

    const RemovalConfirmation confirmation = PrepareRemovalConfirmation(scope, selection, snapshot, nullptr);
    EXPECT_EQ(confirmation.Exclusions,
              (std::map<NewerVersionCode, std::uint32_t>{{NewerVersionCode::NewerRemovalUnconfirmed, 1}}));
    ASSERT_EQ(selection, std::vector<DriverPackage*>{&installed[2]});
    EXPECT_EQ(confirmation.Decision.ConfirmedNewerUnused, InfNameSet{L"oem3.inf"});
    const InfNameSet remaining = SelectedNames(selection);
    EXPECT_FALSE(DecisionOutdated(
        scope, selection, snapshot,
        CheckSelectionVersions(scope, remaining, snapshot.UsedInfs, snapshot.Bindings, snapshot.Verified),
        AssessSelectionRisks(scope, remaining, snapshot), confirmation.Decision));
}

TEST_F(RemovalTest, OfflineRemovalThroughDismChangesTheStore) {
    const TargetWindows target = OfflineWindows(
        temp.Path() / L"offline", {L"PCI\\VEN_1F4C&DEV_0A01", L"PCI\\VEN_1F4C&DEV_0A02", L"PCI\\VEN_1F4C&DEV_0A03"});
    const std::wstring& root = target.Root;
    std::vector<DriverPackage> installed = ReadPackages(dism, target);
    ASSERT_EQ(installed.size(), 3u);
    DriverPackage missing = installed[0];
    missing.PublishedName = L"oem7.inf";
    installed.push_back(missing);
    installed[0].SizeBytes = 1000;
    installed[2].SizeBytes = 2500;
    const RemovalScope scope{installed, target, RemovalOptions{}, kEnglish};

    {
        SCOPED_TRACE("cancelled before the first package");
        std::vector<DriverPackage*> selection = Select(installed, {L"oem1.inf"});
        const RemovalConfirmation confirmation = Confirm(scope, selection);
        cancel = true;
        RemovalResult result;
        EXPECT_THROW(RemovePackages(selection, scope, confirmation.Decision, dism, callbacks, result),
                     OperationCancelled);
        cancel = false;
        EXPECT_TRUE(fs::exists(PublishedInfPath(root, L"oem1.inf")));
    }

    std::vector<DriverPackage*> selection = Select(installed, {L"oem1.inf", L"oem3.inf", L"oem7.inf"});
    const RemovalConfirmation confirmation = Confirm(scope, selection);
    ASSERT_EQ(selection.size(), 3u);
    // The user cancels while the second package is removed: the third stays.
    onLog = [&](const std::wstring& line) {
        if (line.find(L"Удаление выбранного пакета: ") == 0 && line.find(L"oem3.inf") != std::wstring::npos)
            cancel = true;
    };
    RemovalResult result;
    RemovePackages(selection, scope, confirmation.Decision, dism, callbacks, result);
    EXPECT_EQ(result.Removed, 2u);
    EXPECT_EQ(result.Errors, 0u);
    EXPECT_EQ(result.LogicalSize, 3500u);
    EXPECT_TRUE(Contains(log, L"; режим: DISM"));
    std::vector<std::wstring> left;
    for (const DriverPackage& package : ReadPackages(dism, target)) left.push_back(package.PublishedName);
    EXPECT_EQ(left, std::vector<std::wstring>{L"oem2.inf"});

    // The package the cancel spared is not in the store: DISM's error is counted.
    cancel = false;
    onLog = nullptr;
    std::vector<DriverPackage*> rest = Select(installed, {L"oem7.inf"});
    RemovePackages(rest, scope, Confirm(scope, rest).Decision, dism, callbacks, result);
    EXPECT_EQ(result.Errors, 1u);
    EXPECT_TRUE(Contains(log, L"Не удалось удалить qra.inf (oem7.inf): DismRemoveDriver(oem7.inf): 0x80070490"));

    const TargetWindows nowhere{L"", (temp.Path() / L"not-windows").wstring(), false};
    fs::create_directories(nowhere.Root);
    // No bindings to read there: a removal confirmed on read bindings is refused
    // as changed, one confirmed without them is refused outright, and only when
    // every package of the target may go is the image itself tried.
    struct Case {
        bool ConfirmedOnReadBindings;
        bool ManualAll;
        std::wstring Error;
    };
    for (const Case& c : {Case{true, false, GetText(kEnglish, 229)}, Case{false, false, GetText(kEnglish, 260)},
                          Case{true, true, L"DismOpenSession(" + nowhere.Root + L"): 0x80070003"}}) {
        RemovalOptions options;
        options.ManualRemoveAllOffline = c.ManualAll;
        RemovalDecision decision;
        decision.BindingsVerified = c.ConfirmedOnReadBindings;
        try {
            RemovePackages(rest, {installed, nowhere, options, kEnglish}, decision, dism, callbacks, result);
            ADD_FAILURE() << "went ahead: " << testing::PrintToString(c.Error);
        } catch (const std::runtime_error& refused) {
            EXPECT_THAT(Utf8ToWide(refused.what()), HasSubstr(c.Error));
        }
    }
}

TEST(RemovalSummary, FreeSpaceChangeOrEstimateAndHowTheJobEnded) {
    RemovalResult result;
    result.Removed = 3;
    result.Errors = 1;
    result.LogicalSize = 3 * 1048576;
    result.FreeBefore = 10 * 1048576;
    result.FreeAfter = 13 * 1048576;
    result.FreeBeforeMeasured = true;
    result.FreeAfterMeasured = true;
    const std::wstring threeMB = FormatSizeMB(3 * 1048576, kEnglish);
    EXPECT_EQ(RemovalSizeLine(result, kEnglish), GetText(kEnglish, 179) + threeMB);
    result.FreeAfter = 9 * 1048576;  // something else filled the disk meanwhile
    EXPECT_EQ(RemovalSizeLine(result, kEnglish), GetText(kEnglish, 179) + (L"-" + FormatSizeMB(1048576, kEnglish)));
    result.FreeAfterMeasured = false;
    const std::wstring estimate = GetText(kEnglish, 143) + threeMB;
    EXPECT_EQ(RemovalSizeLine(result, kEnglish), estimate);

    EXPECT_EQ(RemovalSummaryText(result, {true, true}, kEnglish),
              std::wstring(GetText(kEnglish, 173)) + L"\r\n" + GetText(kEnglish, 144) + L"3\r\n" +
                  GetText(kEnglish, 145) + L"1\r\n" + estimate + L"\r\n" + GetText(kEnglish, 147) + threeMB);
    EXPECT_EQ(RemovalSummaryText(result, {false, true}, kEnglish).rfind(GetText(kEnglish, 172), 0), 0u);
    EXPECT_EQ(RemovalStatusText(result, true, kEnglish), std::wstring(GetText(kEnglish, 172)) + L"; " +
                                                             GetText(kEnglish, 150) + L"3" + GetText(kEnglish, 146) +
                                                             L"1; " + estimate);
    EXPECT_EQ(RemovalLogLine(result, kEnglish),
              L"Удаление завершено. Удалено: 3; ошибок: 1; " + estimate + L"; логический размер: " + threeMB);
}

}  // namespace
