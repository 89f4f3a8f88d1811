// Where the shown lists come from: another target or source empties the list
// until Refresh, the action never runs on a list read elsewhere, and each list
// keeps its own view across mode switches.
#include <gtest/gtest.h>

#include "sample_windows.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/details/details_pane.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"

namespace {

using test::MainWindowTest;

std::wstring T(TextId id) { return GetText(1, id); }

}  // namespace

TEST_F(MainWindowTest, AnotherTargetEmptiesTheListUntilRefresh) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    Open();
    ChooseTarget(root);
    ASSERT_EQ(ItemTexts(TVI_ROOT).size(), 4u);
    ASSERT_EQ(::SendMessageW(Control(IDC_TARGET), CB_GETCOUNT, 0, 0), 2) << "the running Windows and the chosen one";
    EXPECT_EQ(Text(IDC_TARGET), T(70) + root);
    TypeInto(IDC_SEARCH, L"qtgfx");
    Click(IDC_SELECT_ALL);
    ASSERT_TRUE(Enabled(IDC_ACTION));

    // The running Windows is chosen but not read. An arrow key on the closed box
    // only steps to it; the box takes it when the keys stop or the box is left.
    PressKey(IDC_TARGET, VK_UP);
    ASSERT_EQ(::SendMessageW(Control(IDC_TARGET), CB_GETCURSEL, 0, 0), 0);
    EXPECT_FALSE(state_.TargetIsCurrent);
    EXPECT_EQ(state_.Installed.size(), 12u);
    ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDC_TARGET, CBN_KILLFOCUS),
                   reinterpret_cast<LPARAM>(Control(IDC_TARGET)));
    Pump();
    EXPECT_TRUE(state_.TargetIsCurrent);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(82));
    EXPECT_TRUE(state_.Installed.empty());
    EXPECT_FALSE(state_.InstalledKey.Valid);
    EXPECT_TRUE(ItemTexts(TVI_ROOT).empty());
    EXPECT_FALSE(Enabled(IDC_ACTION));
    EXPECT_EQ(Text(IDC_SELECTION_SUMMARY), FormatSelectionCount(1, 0));

    // Back to the offline Windows: still nothing until Refresh.
    ChooseComboItem(IDC_TARGET, 1);
    EXPECT_FALSE(state_.TargetIsCurrent);
    EXPECT_EQ(state_.TargetRoot, root);
    EXPECT_TRUE(ItemTexts(TVI_ROOT).empty());
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(82));
    TypeInto(IDC_SEARCH, L"");
    Click(IDC_REFRESH);
    EXPECT_EQ(state_.Installed.size(), 12u);
    EXPECT_TRUE(IsLoadedListCurrent(state_.InstalledKey, root, false));
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(136) + L"12");
    EXPECT_TRUE(CheckedPackages().empty()) << "a new read starts without checks";

    // A folder that holds no Windows is refused and changes nothing.
    ChooseTarget((temp_.Path() / L"offline\\Windows\\INF").wstring());
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].Text, T(113));
    EXPECT_EQ(boxes_.Boxes()[0].Caption, L"Quillbay");
    EXPECT_EQ(state_.TargetRoot, root);
    EXPECT_EQ(state_.Installed.size(), 12u);

    // The Windows folder itself stands for its root, which is known already.
    ChooseTarget(root + L"\\Windows");
    EXPECT_EQ(::SendMessageW(Control(IDC_TARGET), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(state_.Installed.size(), 12u) << "chosen again, read again";
}

TEST_F(MainWindowTest, AnEditedSourceDisablesTheActionUntilItIsReadAgain) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    const std::wstring store = root + L"\\Windows\\System32\\DriverStore\\FileRepository";
    state_.InstallFolder = store;
    Open();
    Click(IDC_MODE_INSTALLATION);
    Click(IDC_REFRESH);
    ASSERT_EQ(state_.Sources.size(), 12u);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(138) + L"12");
    Click(IDC_SELECT_ALL);
    EXPECT_TRUE(Enabled(IDC_ACTION));

    TypeInto(IDC_SOURCE_PATH, root);
    EXPECT_EQ(state_.InstallFolder, root);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(174));
    EXPECT_TRUE(state_.Sources.empty());
    EXPECT_TRUE(ItemTexts(TVI_ROOT).empty());
    EXPECT_FALSE(Enabled(IDC_ACTION));
    // Pressed anyway, the action refuses a list that was not read from this source.
    SetStatus(state_, L"", 0);
    Click(IDC_ACTION);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(174));
    EXPECT_TRUE(boxes_.Boxes().empty()) << "no installation was offered";

    // Refresh reads the edited folder: the store and the published copies.
    Click(IDC_REFRESH);
    EXPECT_EQ(state_.Sources.size(), 24u);
    EXPECT_TRUE(IsLoadedListCurrent(state_.SourceKey, root, false));
    EXPECT_FALSE(Enabled(IDC_ACTION)) << "nothing checked in the new list";
    Click(IDC_SELECT_ALL);
    EXPECT_TRUE(Enabled(IDC_ACTION));

    // A folder that is gone: the list stays empty and the failure is logged.
    TypeInto(IDC_SOURCE_PATH, root + L"\\missing");
    Click(IDC_REFRESH);
    EXPECT_TRUE(state_.Sources.empty());
    EXPECT_FALSE(state_.SourceKey.Valid);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(173));
    EXPECT_EQ(Logged().back(), T(211));
}

TEST_F(MainWindowTest, EachListKeepsItsViewAcrossModeSwitches) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    state_.InstallFolder = root + L"\\Windows\\System32\\DriverStore\\FileRepository";
    Open();
    ChooseTarget(root);
    TypeInto(IDC_SEARCH, L"inf");  // matches every package; a new query opens every group
    HWND tree = Control(IDC_PACKAGE_TREE);
    const HTREEITEM display = FindItem(L"Display adapters");
    const HTREEITEM network = FindItem(L"Network adapters");
    ASSERT_TRUE(display && network);
    ASSERT_TRUE(Expanded(display) && Expanded(network));
    TreeView_Expand(tree, display, TVE_COLLAPSE);
    const HTREEITEM chosen = FindItem(L"brwnet.inf-12.19.2.45");
    ASSERT_TRUE(chosen);
    TreeView_SelectItem(tree, chosen);
    TreeView_Select(tree, network, TVGN_FIRSTVISIBLE);
    Pump();
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"brwnet.inf-12.19.2.45");

    Click(IDC_MODE_INSTALLATION);
    Click(IDC_REFRESH);
    ASSERT_EQ(state_.Sources.size(), 12u);
    EXPECT_EQ(Text(IDC_SEARCH), L"inf") << "the query is not part of a list's view";
    const HTREEITEM sourceDisplay = FindItem(L"Display adapters");
    ASSERT_TRUE(sourceDisplay);
    EXPECT_TRUE(Expanded(sourceDisplay)) << "the source list has a view of its own";
    TreeView_SelectItem(tree, FindItem(L"qtgfx.inf-30.0.101.1340"));
    Pump();

    Click(IDC_MODE_REMOVAL);
    EXPECT_EQ(Text(IDC_SEARCH), L"inf");
    EXPECT_FALSE(Expanded(FindItem(L"Display adapters")));
    EXPECT_TRUE(Expanded(FindItem(L"Network adapters")));
    EXPECT_EQ(SelectedItemText(), L"brwnet.inf-12.19.2.45");
    EXPECT_EQ(TreeView_GetFirstVisible(tree), FindItem(L"Network adapters"));
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"brwnet.inf-12.19.2.45");

    // Backup and Removal share one list and one tree.
    Click(IDC_MODE_BACKUP);
    EXPECT_EQ(SelectedItemText(), L"brwnet.inf-12.19.2.45");
    Click(IDC_MODE_INSTALLATION);
    EXPECT_EQ(SelectedItemText(), L"qtgfx.inf-30.0.101.1340");
}

TEST_F(MainWindowTest, AnUnreadableTargetOrNoSourceLeavesTheListEmpty) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    // An image whose drive marker names no drive cannot be opened by DISM.
    test::WriteFileBytes(root + L"\\Windows\\System32\\DriverStore\\sim-image-drive.txt", "no drive");
    Open();
    ChooseTarget(root);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].Caption, L"Quillbay");
    EXPECT_FALSE(boxes_.Boxes()[0].Text.empty());
    EXPECT_EQ(Logged().back(), boxes_.Boxes()[0].Text) << "the error is logged as shown";
    EXPECT_TRUE(state_.Installed.empty());
    EXPECT_FALSE(state_.InstalledKey.Valid);
    EXPECT_FALSE(state_.Busy);
    EXPECT_TRUE(ItemTexts(TVI_ROOT).empty());
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), T(203)) << "not loaded";

    Click(IDC_MODE_INSTALLATION);
    Click(IDC_REFRESH);
    EXPECT_EQ(Text(IDC_STATUS_LINE), T(177)) << "no folder chosen";
    EXPECT_FALSE(state_.SourceKey.Valid);
}

TEST_F(MainWindowTest, DetailsScrollFromTheKeyboardAndTheirValuesCanBeCopied) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    Open();
    ChooseTarget(root);
    DriverPackage& package = state_.Installed.front();
    for (int line = 0; line < 40; ++line) package.ReasonText += L"The newer package replaces this one everywhere. ";
    ShowPackageDetails(state_, package);
    HWND bar = Control(IDC_DETAILS_SCROLL);
    ASSERT_TRUE(Shown(IDC_DETAILS_SCROLL));
    EXPECT_TRUE(::GetWindowLongPtrW(bar, GWL_STYLE) & WS_TABSTOP) << "the keyboard reaches the scroll bar";

    ::SetFocus(bar);
    PressKey(IDC_DETAILS_SCROLL, VK_END);
    const RECT card = ClientRectOf(IDC_DETAILS_FRAME);
    EXPECT_EQ(state_.Details.ScrollOffset, state_.Details.ContentHeight - (card.bottom - card.top));
    // A value reached with the keyboard scrolls into view, its text selected.
    HWND inf = Control(IDC_DETAILS_VALUE_4);
    EXPECT_TRUE(::GetWindowLongPtrW(inf, GWL_STYLE) & WS_TABSTOP);
    ::SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(inf), TRUE);
    Pump();
    EXPECT_EQ(::GetFocus(), inf);
    const RECT shown = ClientRectOf(IDC_DETAILS_VALUE_4);
    EXPECT_GE(shown.top, card.top);
    EXPECT_LE(shown.bottom, card.bottom);

    ASSERT_TRUE(::OpenClipboard(window_));
    ::EmptyClipboard();
    ::CloseClipboard();
    ::SendMessageW(inf, EM_SETSEL, 0, -1);
    ::SendMessageW(inf, WM_COPY, 0, 0);
    ASSERT_TRUE(::OpenClipboard(window_));
    const auto* copied = static_cast<const wchar_t*>(::GlobalLock(::GetClipboardData(CF_UNICODETEXT)));
    EXPECT_EQ(copied ? std::wstring(copied) : std::wstring(), Text(IDC_DETAILS_VALUE_4));
    if (copied) ::GlobalUnlock(::GetClipboardData(CF_UNICODETEXT));
    ::CloseClipboard();
}
