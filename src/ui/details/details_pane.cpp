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

// Sets the pane's texts, leaving alone a control that shows its text already:
// a new search that keeps the shown package must not refill and lay out the
// pane again.
class PaneTexts {
public:
    explicit PaneTexts(AppState& state) : state_(state) {}

    void Set(int id, const std::wstring& text) {
        const auto shown = state_.Details.Texts.find(id);
        if (shown != state_.Details.Texts.end() && shown->second == text) return;
        state_.Details.Texts[id] = text;
        changed_ = true;
        ::SetDlgItemTextW(state_.MainWindow, id, text.c_str());
        // A drawn static is not repainted by a new text of its own accord.
        if (id == IDC_DETAILS_BADGE) ::InvalidateRect(::GetDlgItem(state_.MainWindow, id), nullptr, FALSE);
    }

    void Row(int row, TextId label, const std::wstring& value) {
        Set(IDC_DETAILS_LABEL_0 + row, GetText(state_.Language, label));
        Set(IDC_DETAILS_VALUE_0 + row, value.empty() ? kNoValue : value);
    }

    void MarkChanged() { changed_ = true; }

    // Lays the pane out again if anything changed.
    void Finish() {
        if (changed_) LayoutDetailsPane(state_);
    }

private:
    AppState& state_;
    bool changed_ = false;
};

// Content shown under another key starts at the top again; the same key keeps
// its scroll position across rebuilds and check changes.
void SetDetailsKey(AppState& state, PaneTexts& texts, const std::wstring& key, int rowCount) {
    if (state.Details.Key == key && state.Details.RowCount == rowCount) return;
    texts.MarkChanged();
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
    PaneTexts texts(state);
    SetDetailsKey(state, texts, package.PublishedName + L"|" + package.OriginalFileName, kDetailsRows);
    const LangId language = state.Language;
    const bool installation = state.Mode == AppMode::Installation;
    texts.Set(IDC_DETAILS_TITLE, PackageLabel(package));
    texts.Set(IDC_DETAILS_EXPLANATION, package.ReasonText);
    texts.Set(IDC_DETAILS_BADGE, installation ? GetText(language, 35) : FormatSize(package.SizeBytes, language));

    texts.Row(0, 36, GetClassDisplayName(state, package));
    texts.Row(1, 37, ProviderDisplayName(package, language));
    texts.Row(2, 38, package.Version);
    texts.Row(3, 39, package.Date);
    if (installation) {
        texts.Row(4, 41, package.OriginalInfName);
        texts.Row(5, 42, L"");
        texts.Row(6, 44, package.InfPath);
    } else {
        texts.Row(4, 40, package.OriginalInfName + L" / " + package.PublishedName);
        texts.Row(5, 42, GetText(language, package.BootCritical ? 46 : 47));
        texts.Row(6, 43, package.OriginalFileName);
    }
    texts.Row(7, 45, package.CatalogFile);
    texts.Finish();
}

void ShowGroupSummary(AppState& state, const std::wstring& key, const std::wstring& title,
                      const std::vector<DriverPackage*>& packages) {
    PaneTexts texts(state);
    SetDetailsKey(state, texts, key, 1);
    const SizeTotal total =
        state.Mode == AppMode::Installation ? SumSourceFolderSizes(packages) : SumPackageSizes(packages);
    texts.Set(IDC_DETAILS_TITLE, title);
    texts.Set(IDC_DETAILS_BADGE, FormatSizeTotal(total, state.Language));
    texts.Set(IDC_DETAILS_EXPLANATION, L"");
    texts.Row(0, 199, std::to_wstring(packages.size()));
    texts.Finish();
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
    PaneTexts texts(state);
    SetDetailsKey(state, texts, L"", 0);
    if (state.Details.ScrollOffset != 0) texts.MarkChanged();
    state.Details.ScrollOffset = 0;
    const PlaceholderTexts placeholder = ChoosePlaceholder(state);
    texts.Set(IDC_DETAILS_TITLE, GetText(state.Language, placeholder.Title));
    texts.Set(IDC_DETAILS_PLACEHOLDER, GetText(state.Language, placeholder.Text));
    texts.Set(IDC_DETAILS_EXPLANATION, L"");
    texts.Set(IDC_DETAILS_BADGE, L"");
    for (int row = 0; row < kDetailsRows; ++row) texts.Set(IDC_DETAILS_VALUE_0 + row, L"");
    if (HWND reset = ::GetDlgItem(state.MainWindow, IDC_RESET_SEARCH)) {
        const bool wasShown = ::ShowWindow(reset, placeholder.OffersResetSearch ? SW_SHOWNA : SW_HIDE) != 0;
        if (wasShown != placeholder.OffersResetSearch) texts.MarkChanged();
    }
    texts.Finish();
}
