// The main window's modes, languages and keys: what each mode shows in the
// shared controls, the language box re-texting everything and storing the
// choice, and the keys that belong to the search box.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "dialog_ids.h"
#include "sample_windows.h"
#include "tests/operations/seven_zip_on_path.h"
#include "tests/ui/main_window_fixture.h"
#include "tests/ui/modal_script.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/window_text.h"
#include "ui/main_window/busy_state.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_hover.h"

namespace {

using test::MainWindowTest;

constexpr LangId kEnglish = 1;
constexpr LangId kRussian = 0;

std::wstring T(TextId id, LangId language = kEnglish) { return GetText(language, id); }

struct ModeView {
    int Button;
    TextId Title;
    TextId PathLabel;
    TextId Choice;
    TextId Action;
    TextId Hint;  // 0: hidden
    TextId Count;
    bool OldDrivers;
};

}  // namespace

TEST_F(MainWindowTest, EveryModeShowsItsOwnTextsPathAndButtons) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    state_.InstallFolder = root + L"\\Windows\\System32\\DriverStore\\FileRepository";
    Open();
    EXPECT_TRUE(refreshQueued_) << "the chosen target is read as soon as the window shows";
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(81));
    ChooseTarget(root);
    ASSERT_EQ(state_.Installed.size(), 12u);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(136) + L"12");

    const bool sevenZip = !state_.SevenZipPath.empty();
    const ModeView modes[] = {
        {IDC_MODE_REMOVAL, 2, 49, 52, 65, 0, 136, true},
        {IDC_MODE_INSTALLATION, 4, 50, 54, 66, 59, 138, false},
        {IDC_MODE_BACKUP, 0, 48, 53, 64, 55, 136, false},
    };
    const std::wstring paths[] = {state_.SafetyBackupFolder, state_.InstallFolder, state_.BackupFolder};
    for (std::size_t i = 0; i < std::size(modes); ++i) {
        const ModeView& mode = modes[i];
        SCOPED_TRACE(mode.Button);
        Click(mode.Button);
        EXPECT_EQ(Text(IDC_MODE_TITLE), T(mode.Title));
        EXPECT_EQ(Text(IDC_PATH_LABEL), T(mode.PathLabel));
        EXPECT_EQ(Text(IDC_SOURCE_PATH), paths[i]);
        EXPECT_EQ(Text(IDC_SEVEN_ZIP_CHOICE), T(mode.Choice));
        EXPECT_EQ(Text(IDC_ACTION), T(mode.Action));
        EXPECT_EQ(Shown(IDC_HINT), mode.Hint != 0);
        if (mode.Hint) {
            EXPECT_EQ(Text(IDC_HINT), T(mode.Hint));
        }
        EXPECT_EQ(Text(IDC_PACKAGE_COUNT).rfind(T(mode.Count), 0), 0u) << Text(IDC_PACKAGE_COUNT);
        EXPECT_EQ(Shown(IDC_SELECT_OLD_DRIVERS), mode.OldDrivers);
        EXPECT_EQ(Enabled(IDC_SELECT_OLD_DRIVERS), mode.OldDrivers) << "Removal with a list only";
        EXPECT_EQ(static_cast<int>(state_.Mode), mode.Button - IDC_MODE_BACKUP);
        // The 7z box needs 7-Zip except for the emergency backup, which needs none.
        EXPECT_EQ(Enabled(IDC_SEVEN_ZIP_CHOICE), mode.Button == IDC_MODE_REMOVAL || sevenZip);
        if (mode.Button == IDC_MODE_INSTALLATION) {
            EXPECT_EQ(Text(IDC_MODE_SUBTITLE), T(sevenZip ? 5 : 84));
            EXPECT_TRUE(ItemTexts(TVI_ROOT).empty()) << "the source list is read only on Refresh";
            EXPECT_FALSE(Enabled(IDC_ACTION));
        } else {
            EXPECT_EQ(ItemTexts(TVI_ROOT).size(), 4u) << "Backup and Removal show the installed list";
        }
    }

    // Removal without an emergency backup has no folder to choose.
    Click(IDC_MODE_REMOVAL);
    ASSERT_EQ(::SendMessageW(Control(IDC_SEVEN_ZIP_CHOICE), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(Enabled(IDC_SOURCE_PATH));
    Click(IDC_SEVEN_ZIP_CHOICE);
    EXPECT_FALSE(state_.EmergencyBackup);
    EXPECT_FALSE(Enabled(IDC_SOURCE_PATH));
    EXPECT_FALSE(Enabled(IDC_BROWSE_SOURCE));
    EXPECT_EQ(::SendMessageW(Control(IDC_SEVEN_ZIP_CHOICE), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // Edits of the path box are the mode's folder.
    Click(IDC_MODE_BACKUP);
    TypeInto(IDC_SOURCE_PATH, L"D:\\Sicherung");
    EXPECT_EQ(state_.BackupFolder, L"D:\\Sicherung");
    EXPECT_EQ(state_.SafetyBackupFolder, paths[0]);
}

TEST_F(MainWindowTest, LanguageBoxReTextsTheWindowAndStoresTheChoice) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    Open();
    ChooseTarget(root);
    Click(IDC_MODE_REMOVAL);
    ASSERT_EQ(::SendMessageW(Control(IDC_LANGUAGE), CB_GETCOUNT, 0, 0), 8);
    EXPECT_EQ(::SendMessageW(Control(IDC_LANGUAGE), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Text(IDC_BROWSE_SOURCE), L"Bro&wse…");
    Click(IDC_LOG_BUTTON);
    const HWND log = state_.Events.LogWindow;
    ASSERT_TRUE(log);

    ChooseComboItem(IDC_LANGUAGE, 0);
    EXPECT_EQ(state_.Language, kRussian);
    EXPECT_EQ(WindowTextOf(log), T(15, kRussian));
    EXPECT_EQ(WindowTextOf(::GetDlgItem(log, IDC_LOG_CLOSE)), T(68, kRussian));
    EXPECT_EQ(Text(IDC_MODE_TITLE), T(2, kRussian));
    EXPECT_EQ(Text(IDC_LOG_BUTTON), T(264, kRussian));
    EXPECT_EQ(Text(IDC_SELECT_OLD_DRIVERS), T(62, kRussian));
    EXPECT_EQ(Text(IDC_ACTION), T(65, kRussian));
    EXPECT_EQ(Text(IDC_BROWSE_SOURCE), T(263, kRussian));
    EXPECT_EQ(Text(IDC_TARGET), T(70, kRussian) + root);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(67, kRussian));
    EXPECT_EQ(Text(IDC_PACKAGE_COUNT), T(136, kRussian) + L"12");
    EXPECT_EQ(Text(IDC_SELECTION_SUMMARY), FormatSelectionCount(kRussian, 0));
    EXPECT_EQ(ItemTexts(TVI_ROOT).size(), 4u) << "the list stays loaded";

    DWORD stored = 99;
    DWORD size = sizeof(stored);
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Marrowfen", L"Language", RRF_RT_REG_DWORD, nullptr,
                             &stored, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(stored, kRussian);

    LOGFONTW body{};
    ASSERT_TRUE(::GetObjectW(state_.BodyFont, sizeof(body), &body));
    ChooseComboItem(IDC_LANGUAGE, 7);
    LOGFONTW japanese{};
    ASSERT_TRUE(::GetObjectW(state_.BodyFont, sizeof(japanese), &japanese));
    EXPECT_STREQ(japanese.lfFaceName, L"Yu Gothic UI") << "fonts follow the script";
    EXPECT_STRNE(body.lfFaceName, japanese.lfFaceName);
    EXPECT_EQ(Text(IDC_MODE_TITLE), T(2, 7));

    // The Log window draws with a live font of its own, for its own DPI.
    for (const UINT dpi : {0u, 144u}) {
        SCOPED_TRACE(dpi);
        if (dpi != 0) {
            RECT frame{};
            ::GetWindowRect(log, &frame);
            ::SendMessageW(log, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
        }
        for (const int id : {IDC_LOG_TEXT, IDC_LOG_CLOSE}) {
            LOGFONTW font{};
            const auto handle = reinterpret_cast<HFONT>(::SendDlgItemMessageW(log, id, WM_GETFONT, 0, 0));
            ASSERT_TRUE(::GetObjectW(handle, sizeof(font), &font)) << id << ": the font was deleted";
            EXPECT_STREQ(font.lfFaceName, L"Yu Gothic UI");
            EXPECT_EQ(font.lfHeight, -::MulDiv(9, static_cast<int>(dpi != 0 ? dpi : WindowDpi(log)), 72));
        }
    }

    // Arrow keys on the closed box only step through it: fonts and the stored
    // choice change once, when the keys have stopped for a moment.
    const HFONT before = state_.BodyFont;
    PressKey(IDC_LANGUAGE, VK_UP);
    PressKey(IDC_LANGUAGE, VK_UP);
    const auto item = ::SendMessageW(Control(IDC_LANGUAGE), CB_GETCURSEL, 0, 0);
    const auto stepped = static_cast<LangId>(::SendMessageW(Control(IDC_LANGUAGE), CB_GETITEMDATA, item, 0));
    ASSERT_NE(stepped, 7u);
    EXPECT_EQ(state_.Language, 7u);
    EXPECT_EQ(state_.BodyFont, before);
    ::SendMessageW(window_, WM_TIMER, IDC_LANGUAGE, 0);
    EXPECT_EQ(state_.Language, stepped);
    EXPECT_NE(state_.BodyFont, before);
}

TEST_F(MainWindowTest, SearchBoxKeysAndTheSelectionSummary) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    Open();
    ChooseTarget(root);
    EXPECT_FALSE(Shown(IDC_CLEAR_SELECTION)) << "nothing checked";
    EXPECT_FALSE(Enabled(IDC_ACTION));

    // Select all under a query checks the matches only; others checked stay
    // checked and are counted as hidden.
    TypeInto(IDC_SEARCH, L"qtgfx");
    Click(IDC_SELECT_ALL);
    EXPECT_EQ(CheckedPackages(), (std::vector<std::wstring>{L"oem12.inf", L"oem3.inf", L"oem7.inf"}));
    TypeInto(IDC_SEARCH, L"brw");
    Click(IDC_SELECT_ALL);
    TypeInto(IDC_SEARCH, L"hollowmere");
    EXPECT_EQ(Text(IDC_SELECTION_SUMMARY), FormatSelectionCount(kEnglish, 6) + L" (" + T(178) + L"6)");
    EXPECT_TRUE(Shown(IDC_CLEAR_SELECTION));
    EXPECT_TRUE(Enabled(IDC_ACTION));

    // Esc empties a query instead of closing the window.
    PressKey(IDC_SEARCH, VK_ESCAPE);
    EXPECT_EQ(Text(IDC_SEARCH), L"");
    EXPECT_EQ(state_.MainWindow, window_) << "the window stays";
    EXPECT_EQ(Text(IDC_SELECTION_SUMMARY), FormatSelectionCount(kEnglish, 6));

    // Ctrl+F from anywhere goes to the search box.
    TypeInto(IDC_SEARCH, L"brw");
    PressKey(IDC_PACKAGE_TREE, 'F', true);
    EXPECT_EQ(::GetFocus(), Control(IDC_SEARCH));
    EXPECT_EQ(Text(IDC_SEARCH), L"brw") << "the key's character is not typed";

    // Clear selection unchecks the hidden ones too, and then goes away.
    Click(IDC_CLEAR_SELECTION);
    EXPECT_TRUE(CheckedPackages().empty());
    EXPECT_FALSE(Shown(IDC_CLEAR_SELECTION));
    EXPECT_FALSE(Enabled(IDC_ACTION));

    // In an empty box Esc closes the window.
    TypeInto(IDC_SEARCH, L"");
    PressKey(IDC_SEARCH, VK_ESCAPE);
    EXPECT_EQ(state_.MainWindow, nullptr);
}

TEST_F(MainWindowTest, SevenZipRemovedWhileRunningClearsTheArchiveChoices) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    state_.InstallArchive = root + L"\\drivers.7z";
    {
        const test::SevenZipOnPath sevenZip;
        Open();
        ChooseTarget(root);
        ASSERT_FALSE(state_.SevenZipPath.empty());
        Click(IDC_SELECT_ALL);
        Click(IDC_SEVEN_ZIP_CHOICE);
        EXPECT_TRUE(state_.PackToArchive);
    }
    // The action looks for 7-Zip again and refuses a backup it cannot pack.
    Click(IDC_ACTION);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(196));
    EXPECT_FALSE(state_.PackToArchive);
    EXPECT_FALSE(Enabled(IDC_SEVEN_ZIP_CHOICE));
    EXPECT_TRUE(boxes_.Boxes().empty());
    std::error_code ec;
    EXPECT_FALSE(std::filesystem::exists(state_.BackupFolder, ec)) << "nothing was exported";

    {
        const test::SevenZipOnPath sevenZip;
        ::SendMessageW(window_, WM_ACTIVATE, WA_ACTIVE, 0);
        ASSERT_TRUE(Enabled(IDC_SEVEN_ZIP_CHOICE)) << "7-Zip is back when the user returns";
        Click(IDC_MODE_INSTALLATION);
        Click(IDC_SEVEN_ZIP_CHOICE);
        EXPECT_TRUE(state_.SourceIsArchive);
        EXPECT_EQ(Text(IDC_PATH_LABEL), T(51));
        EXPECT_EQ(Text(IDC_SOURCE_PATH), state_.InstallArchive);
        EXPECT_EQ(Text(IDC_HINT), T(57));
    }
    // While a job works on the archive's packages, neither Log nor activation
    // takes them away.
    SetBusy(state_, true);
    state_.Sources.resize(1);
    Click(IDC_LOG_BUTTON);
    ::SendMessageW(window_, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(state_.SourceIsArchive);
    EXPECT_EQ(state_.Sources.size(), 1u);
    SetBusy(state_, false);
    ::SendMessageW(window_, WM_ACTIVATE, WA_ACTIVE, 0);
    Pump();
    EXPECT_TRUE(state_.SevenZipPath.empty());
    EXPECT_FALSE(state_.SourceIsArchive);
    EXPECT_FALSE(state_.SourceKey.Valid);
    EXPECT_EQ(Text(IDC_PATH_LABEL), T(50));
    EXPECT_EQ(Text(IDC_MODE_SUBTITLE), T(84));
    EXPECT_EQ(::SendMessageW(Control(IDC_SEVEN_ZIP_CHOICE), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(Enabled(IDC_SEVEN_ZIP_CHOICE));
    // Clicked anyway, the box does nothing without 7-Zip.
    Click(IDC_SEVEN_ZIP_CHOICE);
    EXPECT_FALSE(state_.SourceIsArchive);
}

TEST_F(MainWindowTest, TitleClickAndF1OpenTheAboutBox) {
    Open();
    test::ModalScript script({[](const test::ModalWindow&) { return IDCANCEL; },
                              [](const test::ModalWindow&) { return IDCANCEL; }});
    Click(IDC_MODE_TITLE);
    PressKey(IDC_PACKAGE_TREE, VK_F1);
    ASSERT_EQ(script.Seen().size(), 2u);
    for (const test::ModalWindow& window : script.Seen()) EXPECT_EQ(window.Caption, T(6));
}

TEST_F(MainWindowTest, PointingAtTheTitleShowsTheHelpButtonForAWhile) {
    Open();
    if (!state_.HelpIcon) GTEST_SKIP() << "the system has no help icon, so the button stays hidden";
    HWND title = Control(IDC_MODE_TITLE);
    ::SendMessageW(title, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(Shown(IDC_HELP_BUTTON));
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(title, WM_GETFONT, 0, 0)), state_.HeadingUnderlinedFont);
    EXPECT_GT(ClientRectOf(IDC_HELP_BUTTON).left, ClientRectOf(IDC_MODE_TITLE).left) << "after the title's text";

    // Leaving the title for the button keeps it; leaving both hides it after a moment.
    ::SendMessageW(title, WM_MOUSELEAVE, 0, 0);
    ::SendMessageW(Control(IDC_HELP_BUTTON), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    ::SendMessageW(window_, WM_TIMER, kHelpHideTimer, 0);
    EXPECT_TRUE(Shown(IDC_HELP_BUTTON));
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(title, WM_GETFONT, 0, 0)), state_.HeadingFont);
    ::SendMessageW(Control(IDC_HELP_BUTTON), WM_MOUSELEAVE, 0, 0);
    ::SendMessageW(window_, WM_TIMER, kHelpHideTimer, 0);
    EXPECT_FALSE(Shown(IDC_HELP_BUTTON));

    // A job ends any hover at once.
    ::SendMessageW(title, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SetBusy(state_, true);
    EXPECT_FALSE(Shown(IDC_HELP_BUTTON));
    EXPECT_FALSE(state_.TitleHovered);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(title, WM_GETFONT, 0, 0)), state_.HeadingFont);
    SetBusy(state_, false);
}
