// The package tree behind real tree-view controls: grouping by class and
// provider, the view that survives rebuilds and queries, check boxes toggled
// by clicks and keys, Select all and Clear selection under a query, and the
// count label.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/ui/package_view_fixture.h"
#include "ui/details/details_pane.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/package_tree/package_tree.h"

namespace {

using test::MakePackage;

// Keys of the items the tree deletes, as its parent hears of them.
LRESULT CALLBACK RecordDeletions(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR keys) {
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == TVN_DELETEITEMW) {
        const auto& deleted = reinterpret_cast<const NMTREEVIEWW*>(lParam)->itemOld;
        reinterpret_cast<std::vector<std::wstring>*>(keys)->push_back(
            reinterpret_cast<const TreeNodeData*>(deleted.lParam)->Key);
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

class PackageTreeTest : public test::PackageViewTest {
protected:
    void SetUp() override {
        PackageViewTest::SetUp();
        state_.Installed = {
            MakePackage(L"oem5.inf", L"nvlddmkm.inf", L"Display", L"NVIDIA", L"31.0.15", 300u << 20),
            MakePackage(L"oem6.inf", L"amdkmdag.inf", L"Display", L"Advanced Micro Devices, Inc.", L"31.0.21"),
            MakePackage(L"oem7.inf", L"nvaudio.inf", L"Display", L"nvidia", L"1.3", 2u << 20),
            MakePackage(L"oem8.inf", L"e1d.inf", L"Net", L"Intel", L"12.19"),
        };
    }

    DriverPackage& Installed(std::size_t index) { return state_.Installed[index]; }
};

TEST_F(PackageTreeTest, GroupsByClassThenProviderAndOpensWhereChecksAre) {
    Installed(3).Checked = true;
    RebuildTree(state_);

    EXPECT_EQ(ChildTexts(TVI_ROOT), (std::vector<std::wstring>{L"Display adapters", L"Network adapters"}));
    HTREEITEM display = Find(L"Display adapters");
    EXPECT_EQ(ChildTexts(display), (std::vector<std::wstring>{L"Advanced Micro Devices, Inc.", L"NVIDIA"}))
        << "providers differing only in case form one group spelled as met first";
    EXPECT_EQ(ChildTexts(Find(L"NVIDIA")), (std::vector<std::wstring>{L"nvaudio.inf-1.3", L"nvlddmkm.inf-31.0.15"}));
    EXPECT_EQ(Text(IDC_PACKAGE_COUNT), L"Third-party packages: 4");

    // A fresh list opens the groups that hold checked packages and selects the first checked one.
    EXPECT_TRUE(Expanded(Find(L"Network adapters")));
    EXPECT_TRUE(Expanded(Find(L"Intel")));
    EXPECT_FALSE(Expanded(display));
    EXPECT_EQ(SelectedText(), L"e1d.inf-12.19");
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"e1d.inf-12.19");
    EXPECT_EQ(CheckImage(Find(L"e1d.inf-12.19")), 2u);
    EXPECT_EQ(CheckImage(Find(L"Network adapters")), 2u);
    EXPECT_EQ(CheckImage(display), 1u);
}

TEST_F(PackageTreeTest, RebuildsKeepTheUsersViewAndNewQueriesOpenEverything) {
    Installed(3).Checked = true;
    RebuildTree(state_);
    TreeView_Expand(Tree(), Find(L"Display adapters"), TVE_EXPAND);
    TreeView_Expand(Tree(), Find(L"Network adapters"), TVE_COLLAPSE);
    TreeView_SelectItem(Tree(), Find(L"amdkmdag.inf-31.0.21"));

    RebuildTree(state_);
    EXPECT_EQ(SelectedText(), L"amdkmdag.inf-31.0.21");
    EXPECT_TRUE(Expanded(Find(L"Display adapters")));
    EXPECT_FALSE(Expanded(Find(L"NVIDIA")));
    EXPECT_FALSE(Expanded(Find(L"Network adapters"))) << "collapsed by the user although it holds a check";

    Search(L"  31.0 ");
    EXPECT_EQ(Text(IDC_PACKAGE_COUNT), L"Third-party packages: 2 / 4");
    EXPECT_EQ(ChildTexts(TVI_ROOT), (std::vector<std::wstring>{L"Display adapters"}));
    EXPECT_EQ(SelectedText(), L"amdkmdag.inf-31.0.21");
    EXPECT_TRUE(Expanded(Find(L"NVIDIA"))) << "a new query opens the groups the user had closed";

    Search(L"amd");
    ASSERT_EQ(ChildTexts(TVI_ROOT), (std::vector<std::wstring>{L"Display adapters"}));
    EXPECT_EQ(ChildTexts(Find(L"Display adapters")), (std::vector<std::wstring>{L"Advanced Micro Devices, Inc."}));
    const PackageTreeView underQuery = CapturePackageTree(state_);
    EXPECT_EQ(underQuery.SearchText, L"amd");
    EXPECT_EQ(underQuery.SelectedKey, L"P|oem6.inf|");
    EXPECT_EQ(underQuery.Expanded.size(), 2u);

    // Groups the query hid have no recorded state: they follow the checks again.
    Search(L"");
    EXPECT_FALSE(Expanded(Find(L"NVIDIA")));
    EXPECT_TRUE(Expanded(Find(L"Network adapters")));

    // A view that already saw the query (a mode switch back) does not force the
    // groups open; with a hidden check its checked summary comes back instead of a selection.
    ::SetWindowTextW(Control(IDC_SEARCH), L"amd");
    PackageTreeView collapsed = underQuery;
    collapsed.Expanded[L"G|Display adapters"] = false;
    collapsed.ShowsSelectedSummary = true;
    RebuildTree(state_, &collapsed);
    EXPECT_FALSE(Expanded(Find(L"Display adapters")));
    EXPECT_EQ(SelectedText(), L"");
    EXPECT_EQ(state_.Details.Key, kSelectedPackagesKey);

    state_.Mode = AppMode::Installation;
    state_.Sources = {MakePackage(L"e1d.inf", L"e1d.inf", L"Net", L"Intel", L"12.19"),
                      MakePackage(L"iastor.inf", L"iastor.inf", L"SCSIAdapter", L"Intel", L"19.5")};
    Search(L"IASTOR");
    EXPECT_EQ(Text(IDC_PACKAGE_COUNT), L"INF files in backup: 1 / 2");
}

TEST_F(PackageTreeTest, AQueryRemovesOnlyTheItemsItHidesAndLeavesTheShownDetailsAlone) {
    RebuildTree(state_);
    TreeView_SelectItem(Tree(), Find(L"nvaudio.inf-1.3"));
    HWND version = Control(IDC_DETAILS_VALUE_0 + 2);
    ASSERT_EQ(Text(IDC_DETAILS_VALUE_0 + 2), L"1.3");
    ::SendMessageW(version, EM_SETSEL, 0, 3);  // the user selects the value to copy it

    std::vector<std::wstring> deleted;
    ::SetWindowSubclass(window_, RecordDeletions, 1, reinterpret_cast<DWORD_PTR>(&deleted));
    Search(L"nv");
    ::RemoveWindowSubclass(window_, RecordDeletions, 1);
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, (std::vector<std::wstring>{L"G|Display adapters|Advanced Micro Devices, Inc.",
                                                  L"G|Network adapters", L"G|Network adapters|Intel", L"P|oem6.inf|",
                                                  L"P|oem8.inf|"}))
        << "the items that stay are kept, not made again";
    EXPECT_EQ(ChildTexts(Find(L"NVIDIA")), (std::vector<std::wstring>{L"nvaudio.inf-1.3", L"nvlddmkm.inf-31.0.15"}));
    EXPECT_EQ(SelectedText(), L"nvaudio.inf-1.3");
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(version, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(DWORD{0}, DWORD{3}))
        << "the package shown before is shown still, its values not set again";
}

TEST_F(PackageTreeTest, CheckBoxClicksToggleAPackageOrAWholeGroup) {
    RebuildTree(state_);
    TreeView_Expand(Tree(), Find(L"Display adapters"), TVE_EXPAND);
    TreeView_Expand(Tree(), Find(L"NVIDIA"), TVE_EXPAND);

    ClickCheckBox(Find(L"nvaudio.inf-1.3"));
    EXPECT_TRUE(Installed(2).Checked);
    EXPECT_EQ(CheckImage(Find(L"NVIDIA")), 3u);
    EXPECT_EQ(CheckImage(Find(L"Display adapters")), 3u);
    EXPECT_EQ(SelectedText(), L"nvaudio.inf-1.3") << "the toggled item is selected";
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"nvaudio.inf-1.3");

    ClickCheckBox(Find(L"NVIDIA"));  // partly checked: all
    EXPECT_TRUE(Installed(0).Checked && Installed(2).Checked);
    EXPECT_FALSE(Installed(1).Checked);
    EXPECT_EQ(CheckImage(Find(L"NVIDIA")), 2u);
    EXPECT_EQ(CheckImage(Find(L"nvlddmkm.inf-31.0.15")), 2u);
    ClickCheckBox(Find(L"NVIDIA"));  // all: none
    EXPECT_FALSE(Installed(0).Checked || Installed(2).Checked);
    EXPECT_EQ(CheckImage(Find(L"Display adapters")), 1u);

    ClickCheckBox(Find(L"Display adapters"));  // none: all
    EXPECT_TRUE(Installed(0).Checked && Installed(1).Checked && Installed(2).Checked);
    EXPECT_FALSE(Installed(3).Checked);

    TreeView_SelectItem(Tree(), Find(L"e1d.inf-12.19"));
    ::SendMessageW(Tree(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(Installed(3).Checked) << "the space bar toggles the selected item";
    EXPECT_EQ(CheckImage(Find(L"Network adapters")), 2u);
}

TEST_F(PackageTreeTest, SelectAllChecksOnlyMatchesAndClearSelectionUnchecksHiddenOnes) {
    Installed(3).Checked = true;
    Search(L"nvidia");
    CheckVisiblePackages(state_, true);
    EXPECT_TRUE(Installed(0).Checked && Installed(2).Checked);
    EXPECT_FALSE(Installed(1).Checked) << "AMD does not match";
    EXPECT_TRUE(Installed(3).Checked) << "a hidden check stays";
    EXPECT_EQ(CheckImage(Find(L"Display adapters")), 2u) << "a group counts its visible packages only";
    EXPECT_EQ(SelectedText(), L"");
    EXPECT_EQ(state_.Details.Key, kSelectedPackagesKey);
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"Selected packages");
    EXPECT_EQ(Text(IDC_DETAILS_VALUE_0), L"3");
    EXPECT_NE(Text(IDC_SELECTION_SUMMARY).find(std::wstring(GetText(1, 178)) + L"1)"), std::wstring::npos)
        << Text(IDC_SELECTION_SUMMARY);

    // The checked summary survives a rebuild while something is checked.
    RebuildTree(state_);
    EXPECT_EQ(state_.Details.Key, kSelectedPackagesKey);
    EXPECT_EQ(SelectedText(), L"");

    CheckVisiblePackages(state_, false);
    for (const DriverPackage& package : state_.Installed) EXPECT_FALSE(package.Checked) << package.PublishedName;
    EXPECT_EQ(CheckImage(Find(L"NVIDIA")), 1u);
    EXPECT_EQ(state_.Details.Key, L"") << "nothing checked and nothing selected: the placeholder";
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), GetText(1, 33));
}

}  // namespace
