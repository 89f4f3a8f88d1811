// Removal and installation from the real main window: the action button runs
// the flow, and the test answers its message boxes and the confirmation
// dialog the way a user would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialog_ids.h"
#include "fixture_package_files.h"
#include "platform/package_text.h"
#include "resource_ids.h"
#include "test_support.h"
#include "tests/operations/removal_scenario.h"
#include "tests/ui/modal_script.h"
#include "ui/drawing/window_text.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;
using namespace removaltest;
using test::AnswerMessage;
using test::ModalScript;
using test::ModalWindow;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

std::wstring Text(TextId id) { return GetText(kEnglish, id); }

class WindowFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::PrepareDialogState(state, temp.Path());
        std::wstring error;
        ASSERT_TRUE(state.Dism.Initialize((temp.Path() / L"dism.log").wstring(), error)) << error;
        window = ::CreateDialogParamW(state.Instance, MAKEINTRESOURCEW(IDD_MAIN_WINDOW), nullptr, MainWindowProc,
                                      reinterpret_cast<LPARAM>(&state));
        ASSERT_NE(window, nullptr);
        state.EmergencyBackup = false;
    }

    void TearDown() override {
        if (window) ::DestroyWindow(window);
    }

    // The mode and target the user chose, with the list read by Refresh.
    void Show(AppMode mode, const TargetWindows& target) {
        state.Mode = mode;
        state.TargetRoot = target.Root;
        state.TargetIsCurrent = target.IsCurrent;
        UpdateModeControls(state);
        RefreshInstalledDrivers(state);
        ASSERT_TRUE(IsLoadedListCurrent(state.InstalledKey, target.Root, target.IsCurrent));
    }

    void Check(std::vector<DriverPackage>& list, const std::vector<std::wstring>& names) {
        for (DriverPackage& package : list) package.Checked = false;
        for (const std::wstring& name : names) Named(list, name).Checked = true;
        UpdateSelectionSummary(state);
    }

    // The action button, answered by `steps`; every step must have been used.
    std::vector<ModalWindow> Act(std::vector<ModalScript::Step> steps) {
        ModalScript script(std::move(steps));
        ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_ACTION, BN_CLICKED), 0);
        EXPECT_TRUE(script.Finished()) << script.Seen().size() << " windows seen";
        return script.Seen();
    }

    bool Installed(const std::wstring& name) const {
        for (const DriverPackage& package : state.Installed)
            if (_wcsicmp(package.PublishedName.c_str(), name.c_str()) == 0) return true;
        return false;
    }

    bool Logged(const std::wstring& part) const { return state.Events.MemoryText.find(part) != std::wstring::npos; }

    test::TempFolder temp{L"qbflow"};
    AppState state;
    HWND window = nullptr;
};

// The confirmation dialog: records its text and rows, then answers.
ModalScript::Step Confirmation(std::wstring& text, std::vector<std::wstring>& rows, int answer,
                               std::function<void()> before = nullptr) {
    return [&text, &rows, answer, before](const ModalWindow& shown) {
        EXPECT_EQ(shown.Caption, Text(111));
        text = WindowTextOf(::GetDlgItem(shown.Window, IDC_CONFIRM_TEXT));
        const HWND list = ::GetDlgItem(shown.Window, IDC_CONFIRM_LIST);
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            wchar_t cell[512] = {};
            ListView_GetItemText(list, row, 4, cell, 512);
            rows.push_back(cell);
        }
        if (before) before();
        return answer;
    };
}

ModalScript::Step Summary(std::wstring& text, const wchar_t*& icon) {
    return [&text, &icon](const ModalWindow& shown) {
        EXPECT_EQ(shown.Caption, Text(2));
        text = shown.Text;
        icon = test::MessageBoxIcon(shown.Window);
        return IDOK;
    };
}

TEST_F(WindowFlowTest, ExclusionsConfirmationRisksAndTheFinalQuestion) {
    SeededFamily family(9760);
    ASSERT_TRUE(family.Ready());
    Show(AppMode::Removal, family.Target());
    DriverPackage inBox;
    inBox.PublishedName = L"netqr.inf";
    state.Installed.push_back(inBox);

    // Everything excluded: one line per code, no confirmation.
    state.Options.DisableBootCriticalProtection = false;
    Check(state.Installed, {family.Name(4), family.Name(5), L"netqr.inf"});
    Act({AnswerMessage(Text(228) + L"\r\n1 \u2014 " + Text(129) + L"\r\n1 \u2014 " + Text(221) + L"\r\n1 \u2014 " +
                           Text(223),
                       IDOK)});
    EXPECT_FALSE(Named(state.Installed, family.Name(4)).Checked);
    EXPECT_TRUE(Logged(PackageDisplayName(Named(state.Installed, family.Name(5))) + L": " + Text(223)));

    // Newer removal switched off: the newer version goes out, the rest is
    // confirmed, and a No to the risk question removes nothing.
    state.Options.AllowNewerUnusedRemoval = false;
    Check(state.Installed, {family.Name(2), family.Name(3)});
    std::wstring text;
    std::vector<std::wstring> reasons;
    Act({AnswerMessage(Text(228) + L"\r\n1 \u2014 " + Text(222), IDOK), Confirmation(text, reasons, IDOK),
         AnswerMessage(Text(254), IDNO)});
    EXPECT_THAT(text, HasSubstr(Text(250) + L"\r\n" + PackageDisplayName(Named(state.Installed, family.Name(2))) +
                                L" \u2014 " + Text(246)));
    EXPECT_EQ(reasons, std::vector<std::wstring>{Text(186)});
    EXPECT_TRUE(fs::exists(family.PublishedInf(2)));

    // Manual removal of everything: the boot-critical package stays in, its risk
    // is critical, and Yes to the final question removes both.
    state.Options.ManualRemoveAllCurrent = true;
    Check(state.Installed, {family.Name(2), family.Name(4)});
    text.clear();
    reasons.clear();
    std::wstring summary;
    const wchar_t* icon = nullptr;
    const auto seen = Act({Confirmation(text, reasons, IDOK), AnswerMessage(Text(254), IDYES), Summary(summary, icon)});
    EXPECT_EQ(seen[1].Caption, Text(128));
    EXPECT_THAT(text, HasSubstr(Text(16) + (L" \u2014 " + family.Target().Root) + L"\r\n" +
                                GetText(kEnglish, 257)));
    EXPECT_THAT(text, HasSubstr(Text(122)));
    EXPECT_EQ(reasons[1], Text(188) + L"; BootCritical");
    EXPECT_THAT(summary, StartsWith(Text(144) + L"2\r\n" + Text(145) + L"0\r\n" + Text(179)));
    EXPECT_EQ(icon, IDI_INFORMATION);
    EXPECT_FALSE(fs::exists(family.PublishedInf(2)));
    EXPECT_FALSE(fs::exists(family.PublishedInf(4)));
    EXPECT_FALSE(Installed(family.Name(2))) << "the list is read again afterwards";
    EXPECT_TRUE(Installed(family.Name(1)));
    EXPECT_THAT(WindowTextOf(::GetDlgItem(window, IDC_STATUS_LINE)), StartsWith(Text(150) + L"2" + Text(146) + L"0; "));
}

TEST_F(WindowFlowTest, EmergencyBackupAndADevicePluggedInWhileConfirming) {
    SeededFamily family(9770);
    ASSERT_TRUE(family.Ready());
    Show(AppMode::Removal, family.Target());
    state.EmergencyBackup = true;
    std::wstring text;
    std::vector<std::wstring> reasons;

    // No folder chosen for the safety copy.
    Check(state.Installed, {family.Name(2)});
    Act({Confirmation(text, reasons, IDOK), AnswerMessage(Text(254), IDYES), AnswerMessage(Text(102), IDOK)});

    // The safety copy fails (its folder is a file) and the user does not go on.
    const fs::path blocked = temp.Path() / L"blocked";
    test::WriteFileBytes(blocked, "not a folder");
    state.SafetyBackupFolder = blocked.wstring();
    Check(state.Installed, {family.Name(2)});
    Act({Confirmation(text, reasons, IDOK), AnswerMessage(Text(254), IDYES), AnswerMessage(Text(130), IDNO)});
    EXPECT_TRUE(fs::exists(family.PublishedInf(2)));

    // The user goes on, but a device bound to the package appeared while the
    // confirmation was open: the worker refuses and removes nothing.
    Check(state.Installed, {family.Name(2)});
    std::wstring summary;
    const wchar_t* icon = nullptr;
    const auto plugIn = [&family] {
        std::wstring error;
        EXPECT_TRUE(family.PlugIn(2, error)) << error;
    };
    Act({Confirmation(text, reasons, IDOK, plugIn), AnswerMessage(Text(254), IDYES), AnswerMessage(Text(130), IDYES),
         Summary(summary, icon)});
    EXPECT_THAT(summary, StartsWith(Text(173) + L"\r\n" + Text(144) + L"0\r\n"));
    EXPECT_EQ(icon, IDI_WARNING);
    EXPECT_TRUE(Logged(L"ERROR: " + Text(229)));
    EXPECT_TRUE(fs::exists(family.PublishedInf(2)));

    // A newer unused version with a working safety copy: no risk, no final
    // question, removed without force (Windows then keeps its INF).
    const fs::path safety = temp.Path() / L"safety";
    fs::create_directories(safety);
    state.SafetyBackupFolder = safety.wstring();
    Check(state.Installed, {family.Name(3)});
    reasons.clear();
    Act({Confirmation(text, reasons, IDOK), Summary(summary, icon)});
    EXPECT_THAT(reasons.at(0), StartsWith(Text(224)));
    EXPECT_THAT(text, HasSubstr(Text(230)));
    EXPECT_THAT(text, ::testing::Not(HasSubstr(Text(231))));
    EXPECT_THAT(summary, StartsWith(Text(144) + L"1\r\n"));
    EXPECT_TRUE(Logged(L"; более новая неиспользуемая версия"));
    EXPECT_TRUE(fs::exists(family.PublishedInf(3)));
    EXPECT_FALSE(fs::is_empty(safety)) << "the safety copy was made first";
}

TEST_F(WindowFlowTest, OfflineRemovalAndInstallationThroughDism) {
    // Bindings that cannot be believed leave an offline Windows as it is, and say why.
    const TargetWindows stale =
        OfflineWindows(temp.Path() / L"stale", {L"PCI\\VEN_1F4C&DEV_0F01", L"PCI\\VEN_1F4C&DEV_0F02"}, false);
    Show(AppMode::Removal, stale);
    Check(state.Installed, {L"oem1.inf"});
    Act({[](const ModalWindow& shown) {
        EXPECT_THAT(shown.Text, StartsWith(Text(260) + L"\r\n\r\n"));
        EXPECT_THAT(shown.Text, HasSubstr(L"(hive not closed cleanly)"));
        return IDOK;
    }});
    EXPECT_TRUE(fs::exists(PublishedInfPath(stale.Root, L"oem1.inf")));

    const TargetWindows target =
        OfflineWindows(temp.Path() / L"offline", {L"PCI\\VEN_1F4C&DEV_0F01", L"PCI\\VEN_1F4C&DEV_0F02"});
    const std::wstring& root = target.Root;
    Show(AppMode::Removal, target);
    std::wstring error;

    // Hibernated or suspended by Fast Startup: nothing may change until it is shut down fully.
    ASSERT_TRUE(sim::WriteHibernationFile(root, "HIBR", error)) << error;
    Check(state.Installed, {L"oem1.inf"});
    Act({AnswerMessage(Text(261), IDOK)});
    EXPECT_TRUE(fs::exists(PublishedInfPath(root, L"oem1.inf")));
    ASSERT_TRUE(sim::WriteHibernationFile(root, "wake", error)) << error;

    Check(state.Installed, {L"oem1.inf"});
    std::wstring text;
    std::vector<std::wstring> reasons;
    std::wstring summary;
    const wchar_t* icon = nullptr;
    Act({Confirmation(text, reasons, IDOK), AnswerMessage(Text(254), IDYES), Summary(summary, icon)});
    EXPECT_THAT(text, StartsWith(Text(115) + L"\r\n" + Text(116) + L"1"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr(Text(124)))) << "offline nothing is forced";
    EXPECT_THAT(summary, StartsWith(Text(144) + L"1\r\n"));
    EXPECT_FALSE(fs::exists(PublishedInfPath(root, L"oem1.inf")));
    EXPECT_FALSE(Installed(L"oem1.inf"));
    EXPECT_TRUE(Logged(L"; режим: DISM"));

    // Installation into the same offline Windows from a vendor's folder.
    const fs::path source = temp.Path() / L"vendor";
    ASSERT_TRUE(sim::WritePackageFiles(Fixture(L"", L"qrnew.inf", L"2.0.0.0", 2024, L"PCI\\VEN_1F4C&DEV_0F03"),
                                       (source / L"new").wstring(), sim::ExistingFile::Fail, error))
        << error;
    ASSERT_TRUE(sim::WritePackageFiles(Fixture(L"", L"qrgone.inf", L"2.0.0.0", 2024, L"PCI\\VEN_1F4C&DEV_0F04"),
                                       (source / L"gone").wstring(), sim::ExistingFile::Fail, error))
        << error;
    state.Mode = AppMode::Installation;
    state.InstallFolder = source.wstring();
    UpdateModeControls(state);
    ScanInstallFolder(state);
    ASSERT_EQ(state.Sources.size(), 2u);
    for (DriverPackage& package : state.Sources) package.Checked = true;
    UpdateSelectionSummary(state);
    fs::remove_all(source / L"gone");  // taken away after the scan
    ASSERT_TRUE(sim::WriteHibernationFile(root, "hibr", error)) << error;
    Act({AnswerMessage(Text(261), IDOK)});
    fs::remove(fs::path(root) / L"hiberfil.sys");
    const auto seen = Act({AnswerMessage(Text(132) + L"\r\n\r\n" + Text(116) + L"2", IDYES),
                           [&](const ModalWindow& shown) {
                               EXPECT_EQ(shown.Caption, L"Quillbay");
                               summary = shown.Text;
                               icon = test::MessageBoxIcon(shown.Window);
                               return IDOK;
                           }});
    EXPECT_EQ(summary, Text(181) + L"1\r\n" + Text(145) + L"1\r\n\r\n" + Text(183));
    EXPECT_EQ(icon, IDI_WARNING);
    EXPECT_EQ(WindowTextOf(::GetDlgItem(window, IDC_STATUS_LINE)), Text(182) + L"1" + Text(146) + L"1");
    bool added = false;
    for (const DriverPackage& package : state.Installed) added = added || package.OriginalInfName == L"qrnew.inf";
    EXPECT_TRUE(added) << "the installed list was read again and holds the new package";
}

TEST_F(WindowFlowTest, OnlineInstallationAsksAndReportsAvailablePackages) {
    Show(AppMode::Installation, CurrentTarget());
    const fs::path source = temp.Path() / L"vendor";
    std::wstring error;
    ASSERT_TRUE(sim::WritePackageFiles(Fixture(L"", L"qronline.inf", L"1.0.0.0", 2024, L"PCI\\VEN_1F4C&DEV_0F11"),
                                       source.wstring(), sim::ExistingFile::Fail, error))
        << error;
    state.InstallFolder = source.wstring();
    ScanInstallFolder(state);
    ASSERT_EQ(state.Sources.size(), 1u);
    state.Sources[0].Checked = true;
    UpdateSelectionSummary(state);

    // No leaves everything as it was.
    Act({AnswerMessage(Text(131) + L"\r\n\r\n" + Text(116) + L"1", IDNO)});
    EXPECT_FALSE(Logged(L"Пакет доступен в Driver Store текущей Windows: "));

    const wchar_t* icon = nullptr;
    Act({AnswerMessage(Text(131) + L"\r\n\r\n" + Text(116) + L"1", IDYES),
         [&](const ModalWindow& shown) {
             EXPECT_EQ(shown.Text, Text(181) + L"1\r\n" + Text(145) + L"0\r\n\r\n" + Text(183));
             icon = test::MessageBoxIcon(shown.Window);
             return IDOK;
         }});
    EXPECT_EQ(icon, IDI_INFORMATION);
    EXPECT_TRUE(Logged(L"Пакет доступен в Driver Store текущей Windows: " + state.Sources[0].InfPath));
    EXPECT_TRUE(IsLoadedListCurrent(state.InstalledKey, state.TargetRoot, true)) << "read again after installing";
}

}  // namespace
