// Work started from the window: "Select old drivers" over an offline Windows,
// a backup of the checked packages into a folder and into a 7z archive, and
// closing the window while a backup runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>

#include "core/event_log.h"
#include "dialog_ids.h"
#include "sample_windows.h"
#include "tests/operations/seven_zip_on_path.h"
#include "tests/ui/main_window_fixture.h"
#include "tests/ui/modal_script.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/status_line.h"

namespace {

namespace fs = std::filesystem;
using test::MainWindowTest;

std::wstring T(TextId id) { return GetText(1, id); }

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }

std::size_t CountStartingWith(const std::vector<std::wstring>& lines, const std::wstring& prefix) {
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::wstring& line) { return StartsWith(line, prefix); }));
}

// Folders and archives the backups created, by extension ("" for folders).
std::vector<fs::path> BackupsIn(const std::wstring& folder, const std::wstring& extension) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (StartsWith(entry.path().filename().wstring(), L"DriverBackup_") && entry.path().extension() == extension)
            found.push_back(entry.path());
    }
    return found;
}

std::size_t PackageInfoFiles(const fs::path& backup) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(backup))
        count += entry.path().filename() == L"package-info.json";
    return count;
}

// The sample with devices on the newest display, network, storage and audio
// packages; an offline SYSTEM hive without any binding is not trusted.
sim::FixtureWindows SampleWithDevices() {
    sim::FixtureWindows windows = sim::SampleDemoWindows();
    windows.DriverKeys = {{sim::kDisplayClassGuid, L"oem12.inf"},
                          {sim::kNetClassGuid, L"oem11.inf"},
                          {sim::kScsiAdapterClassGuid, L"oem4.inf"},
                          {sim::kMediaClassGuid, L"oem2.inf"}};
    return windows;
}

void UseOptions(AppState& state, bool disableProtection, bool allowNewerUnused) {
    state.Options.DisableBootCriticalProtection = disableProtection;
    state.Options.AllowNewerUnusedRemoval = allowNewerUnused;
}

}  // namespace

TEST_F(MainWindowTest, SelectOldDriversChecksTheOutdatedPackagesAndExplainsEach) {
    const std::wstring root = BuildOffline(SampleWithDevices());
    Open();
    ChooseTarget(root);
    UseOptions(state_, false, false);
    Click(IDC_MODE_REMOVAL);
    // Checked by the user before: the run starts from nothing checked.
    TypeInto(IDC_SEARCH, L"hmaudio");
    Click(IDC_SELECT_ALL);
    TypeInto(IDC_SEARCH, L"");
    ASSERT_EQ(CheckedPackages(), std::vector<std::wstring>{L"oem2.inf"});

    Click(IDC_SELECT_OLD_DRIVERS);
    // The older display drivers and the older network driver have newer
    // versions for all their hardware; the older boot-critical storage driver
    // stays protected.
    EXPECT_EQ(CheckedPackages(), (std::vector<std::wstring>{L"oem1.inf", L"oem3.inf", L"oem7.inf"}));
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_TRUE(StartsWith(Text(IDC_STATUS_LINE), T(139) + L"3; ")) << Text(IDC_STATUS_LINE);
    EXPECT_TRUE(state_.StatusIsTemporary);
    const std::vector<std::wstring> log = Logged();
    EXPECT_EQ(CountStartingWith(log, L"Выделен устаревший пакет: "), 3u);
    EXPECT_TRUE(StartsWith(log.back(), L"Автоматический выбор завершён. " + Text(IDC_STATUS_LINE)));
    EXPECT_EQ(log.back().find(L"установленных устройств"), std::wstring::npos) << "an offline Windows";
    EXPECT_EQ(state_.CleanupResults.size(), state_.Installed.size());
    EXPECT_EQ(Text(IDC_SELECTION_SUMMARY), FormatSelectionCount(1, 3));
    EXPECT_TRUE(Enabled(IDC_ACTION));

    // Every package carries its explanation into the details pane.
    for (const wchar_t* item : {L"qtgfx.inf-27.20.100.8681", L"owstor.inf-17.9.1.1009"}) {
        SCOPED_TRACE(item);
        TreeView_SelectItem(Control(IDC_PACKAGE_TREE), FindItem(item));
        Pump();
        EXPECT_EQ(Text(IDC_DETAILS_TITLE), item);
        EXPECT_TRUE(Shown(IDC_DETAILS_EXPLANATION));
        EXPECT_FALSE(Text(IDC_DETAILS_EXPLANATION).empty());
    }
    const auto oem3 = std::find_if(state_.Installed.begin(), state_.Installed.end(),
                                   [](const DriverPackage& package) { return package.PublishedName == L"oem3.inf"; });
    TreeView_SelectItem(Control(IDC_PACKAGE_TREE), FindItem(L"qtgfx.inf-27.20.100.8681"));
    Pump();
    EXPECT_EQ(Text(IDC_DETAILS_EXPLANATION), oem3->ReasonText);

    // Other removal settings judge differently: the explanations go.
    test::ModalScript settings({[](const test::ModalWindow& window) {
        ::SendMessageW(::GetDlgItem(window.Window, IDC_SETTINGS_BOOT_CRITICAL), BM_CLICK, 0, 0);
        return IDOK;
    }});
    Click(IDC_SETTINGS);
    ASSERT_TRUE(settings.Finished());
    EXPECT_TRUE(state_.Options.DisableBootCriticalProtection);
    EXPECT_TRUE(state_.CleanupResults.empty());
    EXPECT_TRUE(std::all_of(state_.Installed.begin(), state_.Installed.end(),
                            [](const DriverPackage& package) { return package.ReasonText.empty(); }));
    EXPECT_FALSE(Shown(IDC_DETAILS_EXPLANATION));
    EXPECT_EQ(CheckedPackages().size(), 3u) << "the checks stay";

    // The result stays on the status line until the mode changes.
    Click(IDC_MODE_BACKUP);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(67));
    EXPECT_EQ(CheckedPackages().size(), 3u) << "the checks stay for a backup";

    // Only the result itself is replaced: a status shown after it stays.
    Click(IDC_MODE_REMOVAL);
    Click(IDC_SELECT_OLD_DRIVERS);
    ASSERT_NE(Text(IDC_STATUS_LINE), T(67));
    SetStatus(state_, L"a newer status", kProgressUnchanged);
    Click(IDC_MODE_BACKUP);
    EXPECT_EQ(Text(IDC_STATUS_LINE), L"a newer status");
}

TEST_F(MainWindowTest, SelectOldDriversWithNothingOutdatedSaysWhatItLeavesAlone) {
    sim::FixtureWindows windows;
    windows.Packages = {test::DisplayPackage(1, L"qwa.inf", L"1.0.0.0", 2020, {L"PCI\\VEN_1F3C&DEV_0001"}),
                        test::DisplayPackage(2, L"qwb.inf", L"2.0.0.0", 2021, {L"PCI\\VEN_1F3C&DEV_0002"})};
    windows.DriverKeys = {{sim::kDisplayClassGuid, L"oem1.inf"}};
    const std::wstring root = BuildOffline(windows);
    Open();
    ChooseTarget(root);
    Click(IDC_MODE_REMOVAL);
    for (const bool settingsOn : {false, true}) {
        SCOPED_TRACE(settingsOn ? "removal settings on" : "removal settings off");
        UseOptions(state_, settingsOn, false);
        const std::size_t before = boxes_.Boxes().size();
        Click(IDC_SELECT_OLD_DRIVERS);
        ASSERT_EQ(boxes_.Boxes().size(), before + 1);
        EXPECT_EQ(boxes_.Boxes().back().Text, T(settingsOn ? 226 : 121));
        EXPECT_EQ(Text(IDC_STATUS_LINE), T(settingsOn ? 226 : 101));
        EXPECT_TRUE(CheckedPackages().empty());
        EXPECT_EQ(Logged().back(), L"Кандидаты для удаления не найдены. Проверено привязок OEM INF: 1");
    }

    // Without a list read for the chosen target nothing is looked at.
    ChooseComboItem(IDC_TARGET, 0);
    ::EnableWindow(Control(IDC_SELECT_OLD_DRIVERS), TRUE);
    Click(IDC_SELECT_OLD_DRIVERS);
    EXPECT_EQ(boxes_.Boxes().back().Text, T(90));
}

TEST_F(MainWindowTest, BackupOfTheCheckedPackagesIntoAFolderAndAnArchive) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    Open();
    ChooseTarget(root);
    TypeInto(IDC_SEARCH, L"qtgfx");
    Click(IDC_SELECT_ALL);
    TypeInto(IDC_SEARCH, L"");
    ASSERT_TRUE(Enabled(IDC_ACTION));

    Click(IDC_ACTION);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    const std::vector<fs::path> folders = BackupsIn(state_.BackupFolder, L"");
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(PackageInfoFiles(folders[0]), 3u);
    EXPECT_TRUE(fs::is_regular_file(folders[0] / L"manifest.json"));
    EXPECT_EQ(boxes_.Boxes()[0].Caption, L"Quillbay");
    EXPECT_EQ(boxes_.Boxes()[0].Text, T(135) + L"3\r\n" + T(145) + L"0\r\n\r\n" + folders[0].wstring());
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(134) + L"3" + T(146) + L"0");
    EXPECT_EQ(CountStartingWith(Logged(), L"Экспортирован "), 3u);
    EXPECT_FALSE(state_.Busy);
    EXPECT_EQ(Text(IDC_ACTION), T(64));
    EXPECT_FALSE(Shown(IDC_PROGRESS));

    // With 7-Zip the check box packs the next backup into an archive beside it.
    const test::SevenZipOnPath sevenZip;
    Click(IDC_MODE_BACKUP);
    ASSERT_FALSE(state_.SevenZipPath.empty());
    ASSERT_TRUE(Enabled(IDC_SEVEN_ZIP_CHOICE));
    Click(IDC_SEVEN_ZIP_CHOICE);
    EXPECT_TRUE(state_.PackToArchive);
    EXPECT_EQ(Text(IDC_HINT), T(56));
    Click(IDC_ACTION);
    ASSERT_EQ(boxes_.Boxes().size(), 2u);
    const std::vector<fs::path> archives = BackupsIn(state_.BackupFolder, L".7z");
    ASSERT_EQ(archives.size(), 1u);
    EXPECT_GT(fs::file_size(archives[0]), 0u);
    EXPECT_EQ(BackupsIn(state_.BackupFolder, L"").size(), 1u) << "the packed folder is removed";
    EXPECT_NE(boxes_.Boxes()[1].Text.find(archives[0].wstring()), std::wstring::npos) << boxes_.Boxes()[1].Text;
}

namespace {

// Closes the window the moment the first package is reported exported: the
// worker waits for its log line to be handled, so the close request is there
// before it looks at the next package.
LRESULT CALLBACK CloseAfterFirstExport(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR closed) {
    const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
    auto& done = *reinterpret_cast<bool*>(closed);
    if (message == WM_APP_LOG && !done && StartsWith(*reinterpret_cast<const std::wstring*>(lParam), L"Экспортирован ")) {
        done = true;
        ::SendMessageW(window, WM_CLOSE, 0, 0);
    }
    return result;
}

}  // namespace

TEST_F(MainWindowTest, ClosingDuringABackupStopsAfterThePackageInHandThenCloses) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    Open();
    ChooseTarget(root);
    Click(IDC_SELECT_ALL);
    ASSERT_EQ(CheckedPackages().size(), 12u);
    bool closed = false;
    ASSERT_TRUE(::SetWindowSubclass(window_, CloseAfterFirstExport, 1, reinterpret_cast<DWORD_PTR>(&closed)));

    Click(IDC_ACTION);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(state_.CloseRequested);
    EXPECT_EQ(state_.MainWindow, nullptr) << "the window closed once the backup had stopped";
    EXPECT_TRUE(boxes_.Boxes().empty()) << "no result box for a closing window";
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(172));
    const std::vector<fs::path> folders = BackupsIn(state_.BackupFolder, L"");
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(PackageInfoFiles(folders[0]), 1u);
    EXPECT_NE(test::ReadUtf8File(folders[0] / L"manifest.json").find(L"\"PackageCount\": 1,"), std::wstring::npos);
    EXPECT_EQ(CountStartingWith(Logged(), L"Экспортирован "), 1u);
    ::RemoveWindowSubclass(window_, CloseAfterFirstExport, 1);
}
