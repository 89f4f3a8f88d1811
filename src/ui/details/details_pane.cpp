#include "ui/details/details_pane.h"

#include <commctrl.h>

#include <string>

#include "core/localized_text.h"
#include "platform/package_text.h"
#include "ui/details/summary_size.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_enabling.h"
#include "ui/package_tree/class_display_name.h"
#include "ui/package_tree/package_labels.h"
#include "ui/package_tree/package_tree.h"

namespace {

constexpr wchar_t kNoValue[] = L"\u2014";

void SetText(const AppState& state, int id, const std::wstring& text) {
    ::SetDlgItemTextW(state.MainWindow, id, text.c_str());
    // A drawn static is not repainted by a new text of its own accord.
    if (id == IDC_DETAILS_BADGE) ::InvalidateRect(::GetDlgItem(state.MainWindow, id), nullptr, FALSE);
}

void SetRow(const AppState& state, int row, TextId label, const std::wstring& value) {
    SetText(state, IDC_DETAILS_LABEL_0 + row, GetText(state.Language, label));
    SetText(state, IDC_DETAILS_VALUE_0 + row, value.empty() ? kNoValue : value);
}

// Content shown under another key starts at the top again; the same key keeps
// its scroll position across rebuilds and check changes.
void SetDetailsKey(AppState& state, const std::wstring& key, int rowCount) {
    if (state.Details.Key != key) state.Details.ScrollOffset = 0;
    state.Details.Key = key;
    state.Details.RowCount = rowCount;
}

struct PlaceholderTexts {
    TextId Title;
    TextId Text;
    bool OffersResetSearch = false;
};

PlaceholderTexts ChoosePlaceholder(AppState& state) {
    const bool installation = state.Mode == AppMode::Installation;
    const bool listEmpty = CurrentList(state).empty();
    const bool treeEmpty = TreeView_GetCount(::GetDlgItem(state.MainWindow, IDC_PACKAGE_TREE)) == 0;
    if (!listEmpty && treeEmpty && !SearchQuery(state).empty()) return {200, 201, true};
    if (!listEmpty) return {33, 209};
    if (IsShownListCurrent(state)) return {206, installation ? 208u : 207u};
    return {203, installation ? 205u : 204u};
}

}  // namespace

void ShowPackageDetails(AppState& state, const DriverPackage& package) {
    SetDetailsKey(state, package.PublishedName + L"|" + package.OriginalFileName, kDetailsRows);
    const LangId language = state.Language;
    const bool installation = state.Mode == AppMode::Installation;
    SetText(state, IDC_DETAILS_TITLE, PackageLabel(package));
    SetText(state, IDC_DETAILS_EXPLANATION, package.ReasonText);
    SetText(state, IDC_DETAILS_BADGE, installation ? GetText(language, 35) : FormatSize(package.SizeBytes, language));

    SetRow(state, 0, 36, GetClassDisplayName(state, package));
    SetRow(state, 1, 37, ProviderDisplayName(package, language));
    SetRow(state, 2, 38, package.Version);
    SetRow(state, 3, 39, package.Date);
    if (installation) {
        SetRow(state, 4, 41, package.OriginalInfName);
        SetRow(state, 5, 42, L"");
        SetRow(state, 6, 44, package.InfPath);
    } else {
        SetRow(state, 4, 40, package.OriginalInfName + L" / " + package.PublishedName);
        SetRow(state, 5, 42, GetText(language, package.BootCritical ? 46 : 47));
        SetRow(state, 6, 43, package.OriginalFileName);
    }
    SetRow(state, 7, 45, package.CatalogFile);
    LayoutDetailsPane(state);
}

void ShowGroupSummary(AppState& state, const std::wstring& key, const std::wstring& title,
                      const std::vector<DriverPackage*>& packages) {
    SetDetailsKey(state, key, 1);
    const SizeTotal total =
        state.Mode == AppMode::Installation ? SumSourceFolderSizes(packages) : SumPackageSizes(packages);
    SetText(state, IDC_DETAILS_TITLE, title);
    SetText(state, IDC_DETAILS_BADGE, FormatSizeTotal(total, state.Language));
    SetText(state, IDC_DETAILS_EXPLANATION, L"");
    SetRow(state, 0, 199, std::to_wstring(packages.size()));
    LayoutDetailsPane(state);
}

void ShowSelectedSummary(AppState& state, const TreeNodeData* node) {
    const std::vector<DriverPackage*> checked = CheckedPackagesOf(CurrentList(state));
    if (checked.empty()) {
        ShowNodeDetails(state, node);
        return;
    }
    ShowGroupSummary(state, kSelectedPackagesKey, GetText(state.Language, 239), checked);
}

void ShowNodeDetails(AppState& state, const TreeNodeData* node) {
    if (!node) {
        ShowDetailsPlaceholder(state);
        return;
    }
    if (node->Kind == TreeNodeKind::Package) {
        ShowPackageDetails(state, *node->Package);
        return;
    }
    if (state.Mode == AppMode::Installation || node->Packages.empty()) {
        ShowDetailsPlaceholder(state);
        return;
    }
    const DriverPackage& first = *node->Packages.front();
    if (node->Packages.size() == 1) {
        ShowPackageDetails(state, first);
        return;
    }
    const std::wstring title = node->Kind == TreeNodeKind::ClassGroup ? GetClassDisplayName(state, first)
                                                                      : ProviderDisplayName(first, state.Language);
    ShowGroupSummary(state, node->Key, title, node->Packages);
}

void ShowDetailsPlaceholder(AppState& state) {
    state.Details.Key.clear();
    state.Details.ScrollOffset = 0;
    state.Details.RowCount = 0;
    const PlaceholderTexts texts = ChoosePlaceholder(state);
    SetText(state, IDC_DETAILS_TITLE, GetText(state.Language, texts.Title));
    SetText(state, IDC_DETAILS_PLACEHOLDER, GetText(state.Language, texts.Text));
    SetText(state, IDC_DETAILS_EXPLANATION, L"");
    SetText(state, IDC_DETAILS_BADGE, L"");
    for (int row = 0; row < kDetailsRows; ++row) SetText(state, IDC_DETAILS_VALUE_0 + row, L"");
    if (HWND reset = ::GetDlgItem(state.MainWindow, IDC_RESET_SEARCH))
        ::ShowWindow(reset, texts.OffersResetSearch ? SW_SHOWNA : SW_HIDE);
    LayoutDetailsPane(state);
}
