// The details pane: a package's rows in Backup and Installation, summaries
// with their "≥ " totals and the install-source folder rule, the placeholders
// with Reset search, and a scroll position that belongs to what is shown.
#include <gtest/gtest.h>

#include "platform/package_text.h"
#include "tests/ui/package_view_fixture.h"
#include "ui/details/details_pane.h"
#include "ui/details/summary_size.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/package_tree/package_tree.h"

namespace {

using test::MakePackage;

constexpr std::uint64_t kMiB = 1u << 20;

DriverPackage SourcePackage(const std::wstring& infPath, std::uint64_t folderSize) {
    DriverPackage package = MakePackage(infPath.substr(infPath.rfind(L'\\') + 1), L"x.inf", L"Net", L"Intel", L"1");
    package.InfPath = infPath;
    package.SizeBytes = folderSize;
    return package;
}

std::vector<DriverPackage*> Pointers(std::vector<DriverPackage>& packages) {
    std::vector<DriverPackage*> pointers;
    for (DriverPackage& package : packages) pointers.push_back(&package);
    return pointers;
}

class DetailsPaneTest : public test::PackageViewTest {
protected:
    std::vector<std::wstring> ShownRowValues() const {
        std::vector<std::wstring> values;
        for (int row = 0; row < kDetailsRows; ++row) {
            if (Shown(IDC_DETAILS_VALUE_0 + row)) values.push_back(Text(IDC_DETAILS_VALUE_0 + row));
        }
        return values;
    }
};

TEST_F(DetailsPaneTest, PackageRowsDifferBetweenInstalledAndSourcePackages) {
    DriverPackage installed = MakePackage(L"oem12.inf", L"nvlddmkm.inf", L"Display", L"NVIDIA", L"31.0.15", 3 * kMiB);
    installed.BootCritical = true;
    ShowPackageDetails(state_, installed);
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"nvlddmkm.inf-31.0.15");
    EXPECT_EQ(Text(IDC_DETAILS_BADGE), FormatSize(3 * kMiB, 1));
    EXPECT_EQ(Text(IDC_DETAILS_LABEL_0 + 4), L"INF (original / OEM)");
    EXPECT_EQ(ShownRowValues(),
              (std::vector<std::wstring>{L"Display adapters", L"NVIDIA", L"31.0.15", L"2024-01-15",
                                         L"nvlddmkm.inf / oem12.inf", L"Yes", installed.OriginalFileName, L"\u2014"}));
    EXPECT_FALSE(Shown(IDC_DETAILS_EXPLANATION)) << "no explanation without an automatic selection";
    EXPECT_TRUE(Shown(IDC_DETAILS_BADGE));
    EXPECT_FALSE(Shown(IDC_DETAILS_PLACEHOLDER));
    EXPECT_FALSE(Shown(IDC_RESET_SEARCH));

    installed.ReasonText = L"Newer version oem14.inf replaces this package.";
    ShowPackageDetails(state_, installed);
    EXPECT_TRUE(Shown(IDC_DETAILS_EXPLANATION));
    EXPECT_EQ(Text(IDC_DETAILS_EXPLANATION), installed.ReasonText);
    EXPECT_GT(ClientRectOf(IDC_DETAILS_EXPLANATION).top, ClientRectOf(IDC_DETAILS_VALUE_0 + 7).top);

    state_.Mode = AppMode::Installation;
    DriverPackage source = SourcePackage(L"D:\\Drivers\\LAN\\e1d.inf", kMiB);
    source.OriginalInfName = L"e1d.inf";
    source.BootCritical = true;
    source.CatalogFile = L"e1d.cat";
    ShowPackageDetails(state_, source);
    EXPECT_EQ(Text(IDC_DETAILS_BADGE), L"INF package");
    EXPECT_EQ(Text(IDC_DETAILS_LABEL_0 + 4), L"INF file");
    EXPECT_EQ(Text(IDC_DETAILS_LABEL_0 + 6), L"Path in backup");
    const std::vector<std::wstring> values = ShownRowValues();
    ASSERT_EQ(values.size(), 8u);
    EXPECT_EQ(values[4], L"e1d.inf");
    EXPECT_EQ(values[5], L"\u2014") << "an install source has no boot-critical flag";
    EXPECT_EQ(values[6], L"D:\\Drivers\\LAN\\e1d.inf");
    EXPECT_EQ(values[7], L"e1d.cat");
}

TEST_F(DetailsPaneTest, GroupSummariesCountPackagesAndTotalWhatIsKnown) {
    state_.Installed = {MakePackage(L"oem5.inf", L"nvlddmkm.inf", L"Display", L"NVIDIA", L"31", 300 * kMiB),
                        MakePackage(L"oem6.inf", L"amdkmdag.inf", L"Display", L"AMD", L"31"),
                        MakePackage(L"oem7.inf", L"nvaudio.inf", L"Display", L"NVIDIA", L"1.3", 2 * kMiB),
                        MakePackage(L"oem8.inf", L"e1d.inf", L"Net", L"Intel", L"12.19")};
    RebuildTree(state_);
    TreeView_SelectItem(Tree(), Find(L"Display adapters"));
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"Display adapters");
    EXPECT_EQ(Text(IDC_DETAILS_BADGE), L"\u2265 " + FormatSize(302 * kMiB, 1)) << "one size is not known";
    EXPECT_EQ(Text(IDC_DETAILS_LABEL_0), L"Driver packages");
    EXPECT_EQ(ShownRowValues(), (std::vector<std::wstring>{L"3"}));

    TreeView_SelectItem(Tree(), Find(L"Intel"));
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"e1d.inf-12.19") << "a group of one shows its package";
    EXPECT_EQ(FormatSizeTotal(SizeTotal{0, true}, 1), L"\u2014") << "nothing known: no \"\u2265 \"";

    // Sizes of installed packages add up, except unknown ones and what would overflow.
    std::vector<DriverPackage> installed = {MakePackage(L"oem1.inf", L"a.inf", L"Net", L"A", L"1", ~0ull - 5),
                                            MakePackage(L"oem2.inf", L"b.inf", L"Net", L"B", L"1", 10)};
    const SizeTotal overflowing = SumPackageSizes(Pointers(installed));
    EXPECT_EQ(overflowing.Bytes, ~0ull - 5);
    EXPECT_TRUE(overflowing.Incomplete);

    // Install sources count each folder once and nothing below a counted folder.
    std::vector<DriverPackage> sources = {SourcePackage(L"D:\\Src\\Net\\a.inf", 10 * kMiB),
                                          SourcePackage(L"d:\\src\\NET\\b.inf", 10 * kMiB),
                                          SourcePackage(L"D:\\Src\\Net\\Sub\\c.inf", 4 * kMiB),
                                          SourcePackage(L"D:\\Src\\Video\\d.inf", 5 * kMiB)};
    SizeTotal total = SumSourceFolderSizes(Pointers(sources));
    EXPECT_EQ(total.Bytes, 15 * kMiB);
    EXPECT_FALSE(total.Incomplete);
    sources[0].SizeBytes = sources[1].SizeBytes = 0;  // the outer folder unknown: the inner one counts
    total = SumSourceFolderSizes(Pointers(sources));
    EXPECT_EQ(total.Bytes, 9 * kMiB);
    EXPECT_TRUE(total.Incomplete);

    state_.Mode = AppMode::Installation;
    state_.Sources = sources;
    RebuildTree(state_);
    const std::wstring before = Text(IDC_DETAILS_TITLE);
    TreeView_SelectItem(Tree(), Find(L"Network adapters"));
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), before) << "selecting a group of an install source changes nothing";
}

TEST_F(DetailsPaneTest, PlaceholdersTellWhatToDoAndOfferResetSearch) {
    ShowDetailsPlaceholder(state_);
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"Load the package list");
    EXPECT_EQ(Text(IDC_DETAILS_PLACEHOLDER), GetText(1, 204));
    EXPECT_TRUE(Shown(IDC_DETAILS_PLACEHOLDER));
    EXPECT_FALSE(Shown(IDC_DETAILS_BADGE));
    EXPECT_FALSE(Shown(IDC_DETAILS_VALUE_0));
    EXPECT_FALSE(Shown(IDC_RESET_SEARCH));

    state_.TargetRoot = L"C:\\";
    state_.TargetIsCurrent = true;
    state_.InstalledKey = MakeLoadedListKey(state_.TargetRoot, true);
    ShowDetailsPlaceholder(state_);
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"No packages found");
    EXPECT_EQ(Text(IDC_DETAILS_PLACEHOLDER), GetText(1, 207));

    state_.Mode = AppMode::Installation;
    ShowDetailsPlaceholder(state_);
    EXPECT_EQ(Text(IDC_DETAILS_PLACEHOLDER), GetText(1, 205)) << "the source list was never read";

    state_.Mode = AppMode::Backup;
    state_.Installed = {MakePackage(L"oem5.inf", L"nvlddmkm.inf", L"Display", L"NVIDIA", L"31")};
    Search(L"no such driver");
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"No matches found");
    EXPECT_EQ(Text(IDC_DETAILS_PLACEHOLDER), GetText(1, 201));
    ASSERT_TRUE(Shown(IDC_RESET_SEARCH));
    const RECT text = ClientRectOf(IDC_DETAILS_PLACEHOLDER);
    EXPECT_GE(ClientRectOf(IDC_RESET_SEARCH).top, text.bottom) << "Reset search sits below the wrapped text";

    Search(L"");
    EXPECT_FALSE(Shown(IDC_RESET_SEARCH));
    EXPECT_EQ(Text(IDC_DETAILS_TITLE), L"nvlddmkm.inf-31");
}

TEST_F(DetailsPaneTest, ScrollPositionBelongsToWhatIsShown) {
    state_.Installed = {MakePackage(L"oem5.inf", L"nvlddmkm.inf", L"Display", L"NVIDIA", L"31"),
                        MakePackage(L"oem6.inf", L"nvaudio.inf", L"Display", L"NVIDIA", L"1.3")};
    for (int line = 0; line < 40; ++line)
        state_.Installed[0].ReasonText += L"The newer package replaces this one on every device it serves. ";
    RebuildTree(state_);
    TreeView_SelectItem(Tree(), Find(L"nvlddmkm.inf-31"));
    const int designTitleTop = ClientRectOf(IDC_DETAILS_TITLE).top;
    ASSERT_TRUE(Shown(IDC_DETAILS_SCROLL)) << "a long explanation makes the content taller than the card";
    const RECT card = ClientRectOf(IDC_DETAILS_FRAME);
    EXPECT_GT(state_.Details.ContentHeight, card.bottom - card.top);

    WheelDetailsPane(state_, -WHEEL_DELTA);
    EXPECT_EQ(state_.Details.ScrollOffset, 48);
    ScrollDetailsPane(state_, SB_LINEDOWN);
    EXPECT_EQ(state_.Details.ScrollOffset, 72);
    EXPECT_EQ(ClientRectOf(IDC_DETAILS_TITLE).top, designTitleTop - 72);
    HRGN clip = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(::GetWindowRgn(Control(IDC_DETAILS_TITLE), clip), ERROR) << "scrolled out of the card: clipped";
    ::DeleteObject(clip);

    ShowPackageDetails(state_, state_.Installed[0]);
    EXPECT_EQ(state_.Details.ScrollOffset, 72) << "the same package keeps its position";
    ClickCheckBox(Find(L"nvlddmkm.inf-31"));
    ASSERT_TRUE(state_.Installed[0].Checked);
    EXPECT_EQ(state_.Details.ScrollOffset, 72) << "checking it keeps the position too";

    ScrollDetailsPane(state_, SB_BOTTOM);
    EXPECT_EQ(state_.Details.ScrollOffset, state_.Details.ContentHeight - (card.bottom - card.top));

    TreeView_SelectItem(Tree(), Find(L"nvaudio.inf-1.3"));
    EXPECT_EQ(state_.Details.ScrollOffset, 0);
    EXPECT_FALSE(Shown(IDC_DETAILS_SCROLL));
    EXPECT_EQ(ClientRectOf(IDC_DETAILS_TITLE).top, designTitleTop);
}

}  // namespace
