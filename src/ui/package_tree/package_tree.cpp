#include "ui/package_tree/package_tree.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/localized_text.h"
#include "core/string_compare.h"
#include "core/text_trim.h"
#include "ui/details/details_pane.h"
#include "ui/drawing/window_text.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/class_display_name.h"
#include "ui/package_tree/package_labels.h"
#include "ui/package_tree/package_tree_items.h"

namespace {

constexpr TextId kInstalledCountText = 136;
constexpr TextId kSourceCountText = 138;

// Matching packages grouped for display, each map ordered by the name without
// regard to case; a key keeps the spelling met first.
struct ProviderGroup {
    std::vector<DriverPackage*> Packages;  // list order
};
struct ClassGroup {
    std::map<std::wstring, ProviderGroup, IgnoreCaseLess> Providers;
    std::vector<DriverPackage*> Packages;  // list order
};
using PackageGroups = std::map<std::wstring, ClassGroup, IgnoreCaseLess>;

PackageGroups GroupMatchingPackages(AppState& state, const std::vector<bool>& matches) {
    PackageGroups groups;
    std::vector<DriverPackage>& list = CurrentList(state);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!matches[i]) continue;
        DriverPackage& package = list[i];
        ClassGroup& classGroup = groups[GetClassDisplayName(state, package)];
        classGroup.Packages.push_back(&package);
        classGroup.Providers[ProviderDisplayName(package, state.Language)].Packages.push_back(&package);
    }
    return groups;
}

bool AnyChecked(const std::vector<DriverPackage*>& packages) {
    return std::any_of(packages.begin(), packages.end(), [](const DriverPackage* package) { return package->Checked; });
}

// What a rebuild restores and how it decides which groups open.
struct RebuildPlan {
    const PackageTreeView& View;
    std::wstring Query;
    bool ExpandForSearch = false;

    bool ShouldExpand(const TreeNodeData& group) const {
        if (ExpandForSearch) return true;
        if (const auto entry = View.Expanded.find(group.Key); entry != View.Expanded.end()) return entry->second;
        return !Query.empty() || AnyChecked(group.Packages);
    }
};

// Items the rebuild met that decide the selection afterwards.
struct InsertedItems {
    HTREEITEM FirstPackage = nullptr;
    HTREEITEM FirstChecked = nullptr;
    HTREEITEM Selected = nullptr;      // the view's selected key
    HTREEITEM FirstVisible = nullptr;  // the view's first visible key
};

HTREEITEM InsertNode(AppState& state, const TreeControl& tree, HTREEITEM parent, const std::wstring& text,
                     std::unique_ptr<TreeNodeData> node, const RebuildPlan& plan, InsertedItems& inserted) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
    insert.item.state = INDEXTOSTATEIMAGEMASK(CheckImageOf(*node));
    insert.item.lParam = reinterpret_cast<LPARAM>(node.get());
    const auto item = reinterpret_cast<HTREEITEM>(tree.Call(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (node->Key == plan.View.SelectedKey) inserted.Selected = item;
    if (node->Key == plan.View.FirstVisibleKey) inserted.FirstVisible = item;
    state.TreeNodes.push_back(std::move(node));
    return item;
}

void InsertPackages(AppState& state, const TreeControl& tree, HTREEITEM parent, std::vector<DriverPackage*> packages,
                    const RebuildPlan& plan, InsertedItems& inserted) {
    std::vector<std::pair<std::wstring, DriverPackage*>> labelled;
    for (DriverPackage* package : packages) labelled.emplace_back(PackageLabel(*package), package);
    std::sort(labelled.begin(), labelled.end(),
              [less = IgnoreCaseLess{}](const auto& a, const auto& b) { return less(a.first, b.first); });
    for (auto& [label, package] : labelled) {
        auto node = std::make_unique<TreeNodeData>();
        node->Kind = TreeNodeKind::Package;
        node->Package = package;
        node->Key = L"P|" + package->PublishedName + L"|" + package->InfPath;
        const HTREEITEM item = InsertNode(state, tree, parent, label, std::move(node), plan, inserted);
        if (!inserted.FirstPackage) inserted.FirstPackage = item;
        if (!inserted.FirstChecked && package->Checked) inserted.FirstChecked = item;
    }
}

HTREEITEM InsertGroup(AppState& state, const TreeControl& tree, HTREEITEM parent, TreeNodeKind kind,
                      const std::wstring& key, const std::wstring& text, const std::vector<DriverPackage*>& packages,
                      const RebuildPlan& plan, InsertedItems& inserted) {
    auto node = std::make_unique<TreeNodeData>();
    node->Kind = kind;
    node->Key = key;
    node->Packages = packages;
    return InsertNode(state, tree, parent, text, std::move(node), plan, inserted);
}

void ExpandByPlan(const TreeControl& tree, HTREEITEM group, const RebuildPlan& plan) {
    TreeNodeData* node = nullptr;
    bool expanded = false;
    if (tree.Read(group, node, expanded) && node && plan.ShouldExpand(*node))
        tree.Call(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(group));
}

InsertedItems InsertGroups(AppState& state, const TreeControl& tree, const PackageGroups& groups,
                           const RebuildPlan& plan) {
    InsertedItems inserted;
    for (const auto& [className, classGroup] : groups) {
        const std::wstring classKey = L"G|" + className;
        const HTREEITEM classItem = InsertGroup(state, tree, TVI_ROOT, TreeNodeKind::ClassGroup, classKey, className,
                                                classGroup.Packages, plan, inserted);
        for (const auto& [providerName, providerGroup] : classGroup.Providers) {
            const HTREEITEM providerItem =
                InsertGroup(state, tree, classItem, TreeNodeKind::ProviderGroup, classKey + L"|" + providerName,
                            providerName, providerGroup.Packages, plan, inserted);
            InsertPackages(state, tree, providerItem, providerGroup.Packages, plan, inserted);
            ExpandByPlan(tree, providerItem, plan);
        }
        ExpandByPlan(tree, classItem, plan);
    }
    return inserted;
}

void ExpandAncestors(HWND tree, HTREEITEM item) {
    for (HTREEITEM parent = TreeView_GetParent(tree, item); parent; parent = TreeView_GetParent(tree, parent))
        TreeView_Expand(tree, parent, TVE_EXPAND);
}

void RestoreSelection(AppState& state, HWND tree, const PackageTreeView& view, const InsertedItems& inserted) {
    const auto& list = CurrentList(state);
    const bool anyChecked =
        std::any_of(list.begin(), list.end(), [](const DriverPackage& package) { return package.Checked; });
    if (view.ShowsSelectedSummary && anyChecked) {
        ShowSelectedSummary(state, nullptr);
        return;
    }
    HTREEITEM item = inserted.Selected ? inserted.Selected
                                       : (inserted.FirstChecked ? inserted.FirstChecked : inserted.FirstPackage);
    if (item) {
        ExpandAncestors(tree, item);
        TreeView_SelectItem(tree, item);
    }
    // An empty tree shows the placeholder rather than details of a package it no longer lists.
    ShowNodeDetails(state, item ? NodeOf(tree, item) : nullptr);
}

PackageTreeView CaptureView(AppState& state, const std::wstring& query) {
    const TreeControl tree(::GetDlgItem(state.MainWindow, IDC_PACKAGE_TREE));
    PackageTreeView view;
    view.SearchText = query;
    view.ShowsSelectedSummary = state.Details.Key == kSelectedPackagesKey;
    TreeNodeData* node = nullptr;
    bool expanded = false;
    if (tree.Read(tree.Next(nullptr, TVGN_CARET), node, expanded) && node) view.SelectedKey = node->Key;
    if (tree.Read(tree.Next(nullptr, TVGN_FIRSTVISIBLE), node, expanded) && node) view.FirstVisibleKey = node->Key;
    // Class items hold provider items, which hold the packages: only the two
    // upper levels have an expanded state, so the packages are not visited.
    for (HTREEITEM group = tree.Next(nullptr, TVGN_ROOT); group; group = tree.Next(group, TVGN_NEXT)) {
        if (tree.Read(group, node, expanded) && node) view.Expanded[node->Key] = expanded;
        for (HTREEITEM inner = tree.Next(group, TVGN_CHILD); inner; inner = tree.Next(inner, TVGN_NEXT)) {
            if (tree.Read(inner, node, expanded) && node) view.Expanded[node->Key] = expanded;
        }
    }
    return view;
}

}  // namespace

std::vector<DriverPackage>& CurrentList(AppState& state) {
    return state.Mode == AppMode::Installation ? state.Sources : state.Installed;
}

std::vector<DriverPackage*> CheckedPackagesOf(std::vector<DriverPackage>& list) {
    std::vector<DriverPackage*> checked;
    for (DriverPackage& package : list) {
        if (package.Checked) checked.push_back(&package);
    }
    return checked;
}

std::wstring SearchQuery(const AppState& state) {
    return TrimWhitespace(WindowTextOf(::GetDlgItem(state.MainWindow, IDC_SEARCH)));
}

bool PackageMatchesQuery(AppState& state, const DriverPackage& package, const std::wstring& query) {
    return PackageMatchesSearch(package, GetClassDisplayName(state, package), state.Language, query);
}

std::vector<bool> SearchMatches(AppState& state, const std::wstring& query) {
    const std::vector<DriverPackage>& list = CurrentList(state);
    const std::wstring needle = SearchNeedle(query);
    if (needle.empty()) return std::vector<bool>(list.size(), true);
    std::vector<bool> matches(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        matches[i] = PackageMatchesNeedle(list[i], GetClassDisplayName(state, list[i]), state.Language, needle);
    return matches;
}

void RebuildTree(AppState& state, const PackageTreeView* view) {
    HWND tree = ::GetDlgItem(state.MainWindow, IDC_PACKAGE_TREE);
    // Read once: every message to the search box passes its subclass.
    const std::wstring query = SearchQuery(state);
    const PackageTreeView live = view ? PackageTreeView{} : CaptureView(state, query);
    RebuildPlan plan{view ? *view : live, query};
    // A query the view has not seen yet opens every group that holds a match.
    plan.ExpandForSearch = !plan.Query.empty() && (!view || view->SearchText != plan.Query);
    const std::vector<bool> matches = SearchMatches(state, plan.Query);
    UpdatePackageCount(state, plan.Query, static_cast<std::size_t>(std::count(matches.begin(), matches.end(), true)));

    {
        TreeEventsSuppressed suppressed(state);
        ::SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
        const TreeControl control(tree);
        control.Call(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        state.TreeNodes.clear();
        const InsertedItems inserted = InsertGroups(state, control, GroupMatchingPackages(state, matches), plan);
        RestoreSelection(state, tree, plan.View, inserted);
        if (inserted.FirstVisible) TreeView_Select(tree, inserted.FirstVisible, TVGN_FIRSTVISIBLE);
    }
    ::SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(tree, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    UpdateSelectionSummary(state, matches);
}

PackageTreeView CapturePackageTree(AppState& state) { return CaptureView(state, SearchQuery(state)); }

void CheckVisiblePackages(AppState& state, bool check) {
    const std::wstring query = SearchQuery(state);
    for (DriverPackage& package : CurrentList(state)) {
        if (!check)
            package.Checked = false;
        else if (PackageMatchesQuery(state, package, query))
            package.Checked = true;
    }
    HWND tree = ::GetDlgItem(state.MainWindow, IDC_PACKAGE_TREE);
    {
        TreeEventsSuppressed suppressed(state);
        SyncCheckImages(tree, TreeView_GetRoot(tree));
        if (check) TreeView_SelectItem(tree, nullptr);
    }
    ResetStatusIfTemporary(state);
    UpdateSelectionSummary(state);
    if (check || state.Details.Key == kSelectedPackagesKey)
        ShowSelectedSummary(state, NodeOf(tree, TreeView_GetSelection(tree)));
}

void SyncCheckImages(HWND tree, HTREEITEM first) {
    ForEachItem(tree, first, [&](HTREEITEM item, const TreeNodeData& node) {
        const UINT image = INDEXTOSTATEIMAGEMASK(CheckImageOf(node));
        if ((TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) != image)
            TreeView_SetItemState(tree, item, image, TVIS_STATEIMAGEMASK);
    });
}

void UpdatePackageCount(AppState& state, const std::wstring& query, std::size_t matching) {
    const auto& list = CurrentList(state);
    std::wstring text = GetText(state.Language, state.Mode == AppMode::Installation ? kSourceCountText
                                                                                       : kInstalledCountText);
    if (query.empty())
        text += std::to_wstring(list.size());
    else
        text += std::to_wstring(matching) + L" / " + std::to_wstring(list.size());
    ::SetDlgItemTextW(state.MainWindow, IDC_PACKAGE_COUNT, text.c_str());
}
