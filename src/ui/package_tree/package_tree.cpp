#include "ui/package_tree/package_tree.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>
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

// Items the rebuild placed, kept or new, that decide the selection afterwards.
struct PlacedItems {
    HTREEITEM FirstPackage = nullptr;
    HTREEITEM FirstChecked = nullptr;
    HTREEITEM Selected = nullptr;      // the view's selected key
    HTREEITEM FirstVisible = nullptr;  // the view's first visible key
};

// The records of the items the tree shows, found by their place: the parent's
// key, their own key and their text. A rebuild keeps every item whose place
// it fills again, so a new query costs the control only the items that enter
// or leave the view; deleting an item costs a notification per item.
class ShownNodes {
public:
    explicit ShownNodes(std::vector<std::unique_ptr<TreeNodeData>> nodes) : nodes_(std::move(nodes)) {
        std::wstring classKey;
        std::wstring providerKey;
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            const TreeNodeData& node = *nodes_[i];
            kinds_.push_back(node.Kind);
            if (node.Kind == TreeNodeKind::ClassGroup) classKey = node.Key;
            if (node.Kind == TreeNodeKind::ProviderGroup) providerKey = node.Key;
            const std::wstring& parentKey = node.Kind == TreeNodeKind::ClassGroup      ? std::wstring()
                                            : node.Kind == TreeNodeKind::ProviderGroup ? classKey
                                                                                       : providerKey;
            byPlace_.emplace(Place(parentKey, node), i);
        }
    }

    // The shown record at the wanted record's place, if any; it is no longer
    // among the leftovers.
    std::unique_ptr<TreeNodeData> Take(const std::wstring& parentKey, const TreeNodeData& wanted) {
        const auto entry = byPlace_.find(Place(parentKey, wanted));
        if (entry == byPlace_.end()) return nullptr;
        std::unique_ptr<TreeNodeData> node = std::move(nodes_[entry->second]);
        byPlace_.erase(entry);
        return node;
    }

    bool HasLeftovers() const { return !byPlace_.empty(); }

    // Deletes the items of the records nobody took; an item whose parent goes
    // goes with it.
    void DeleteLeftovers(const TreeControl& tree) {
        bool classGone = false;
        bool providerGone = false;
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            const bool gone = nodes_[i] != nullptr;
            bool parentGone = false;
            if (kinds_[i] == TreeNodeKind::ClassGroup) {
                classGone = gone;
            } else if (kinds_[i] == TreeNodeKind::ProviderGroup) {
                parentGone = classGone;
                providerGone = classGone || gone;
            } else {
                parentGone = providerGone;
            }
            if (gone && !parentGone) tree.Call(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(nodes_[i]->Item));
        }
        nodes_.clear();
    }

private:
    static std::wstring Place(const std::wstring& parentKey, const TreeNodeData& node) {
        return parentKey + L'\n' + node.Key + L'\n' + node.Text;
    }

    std::vector<std::unique_ptr<TreeNodeData>> nodes_;  // tree order; null once taken
    std::vector<TreeNodeKind> kinds_;
    std::unordered_map<std::wstring, std::size_t> byPlace_;
};

// The records of the new tree in tree order. A record whose place is shown
// already is the shown one, brought up to date; a record under a new parent is
// always new.
class NextNodes {
public:
    explicit NextNodes(ShownNodes& shown) : shown_(shown) {}

    // Adds the record; false when it is new.
    bool Add(const std::wstring* shownParentKey, TreeNodeData wanted) {
        std::unique_ptr<TreeNodeData> node = shownParentKey ? shown_.Take(*shownParentKey, wanted) : nullptr;
        const bool kept = node != nullptr;
        if (kept) {
            node->Package = wanted.Package;
            node->Packages = std::move(wanted.Packages);
        } else {
            node = std::make_unique<TreeNodeData>(std::move(wanted));
        }
        nodes_.push_back(std::move(node));
        return kept;
    }

    std::vector<std::unique_ptr<TreeNodeData>>& Nodes() { return nodes_; }

private:
    ShownNodes& shown_;
    std::vector<std::unique_ptr<TreeNodeData>> nodes_;
};

TreeNodeData GroupNode(TreeNodeKind kind, std::wstring key, const std::wstring& text,
                       const std::vector<DriverPackage*>& packages) {
    TreeNodeData node;
    node.Kind = kind;
    node.Key = std::move(key);
    node.Text = text;
    node.Packages = packages;
    return node;
}

void AddPackages(NextNodes& next, const std::wstring* shownParentKey, const std::vector<DriverPackage*>& packages) {
    std::vector<std::pair<std::wstring, DriverPackage*>> labelled;
    for (DriverPackage* package : packages) labelled.emplace_back(PackageLabel(*package), package);
    // Stable, so packages of the same label keep their order from one rebuild to the next.
    std::stable_sort(labelled.begin(), labelled.end(),
                     [less = IgnoreCaseLess{}](const auto& a, const auto& b) { return less(a.first, b.first); });
    for (auto& [label, package] : labelled) {
        TreeNodeData node;
        node.Kind = TreeNodeKind::Package;
        node.Package = package;
        node.Key = L"P|" + package->PublishedName + L"|" + package->InfPath;
        node.Text = std::move(label);
        next.Add(shownParentKey, std::move(node));
    }
}

void AddGroups(NextNodes& next, const PackageGroups& groups) {
    const std::wstring root;
    for (const auto& [className, classGroup] : groups) {
        const std::wstring classKey = L"G|" + className;
        const bool classKept =
            next.Add(&root, GroupNode(TreeNodeKind::ClassGroup, classKey, className, classGroup.Packages));
        for (const auto& [providerName, providerGroup] : classGroup.Providers) {
            const std::wstring providerKey = classKey + L"|" + providerName;
            const bool providerKept =
                next.Add(classKept ? &classKey : nullptr,
                         GroupNode(TreeNodeKind::ProviderGroup, providerKey, providerName, providerGroup.Packages));
            AddPackages(next, providerKept ? &providerKey : nullptr, providerGroup.Packages);
        }
    }
}

HTREEITEM InsertItem(const TreeControl& tree, HTREEITEM parent, HTREEITEM after, TreeNodeData& node) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after ? after : TVI_FIRST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
    insert.item.pszText = const_cast<wchar_t*>(node.Text.c_str());
    insert.item.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
    node.Image = CheckImageOf(node);
    insert.item.state = INDEXTOSTATEIMAGEMASK(node.Image);
    insert.item.lParam = reinterpret_cast<LPARAM>(&node);
    node.Item = reinterpret_cast<HTREEITEM>(tree.Call(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    return node.Item;
}

// A kept item's check image follows its packages, which may have changed.
void UpdateCheckImage(const TreeControl& tree, TreeNodeData& node) {
    const UINT image = CheckImageOf(node);
    if (image == node.Image) return;
    TVITEMW item{};
    item.mask = TVIF_STATE;
    item.hItem = node.Item;
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(image);
    tree.Call(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    node.Image = image;
}

// Whether a group opens: as the plan says, except that a kept group the view
// saw open needs nothing.
bool NeedsExpanding(const TreeNodeData& group, bool kept, const RebuildPlan& plan) {
    if (group.Kind == TreeNodeKind::Package || !plan.ShouldExpand(group)) return false;
    const auto seen = plan.View.Expanded.find(group.Key);
    return !kept || seen == plan.View.Expanded.end() || !seen->second;
}

// Inserts the new records' items after their previous siblings, kept or new,
// so the tree ends up in the records' order, then opens the groups the plan
// opens, each after its children.
PlacedItems PlaceItems(const TreeControl& tree, const std::vector<std::unique_ptr<TreeNodeData>>& nodes,
                       const RebuildPlan& plan) {
    PlacedItems placed;
    std::vector<HTREEITEM> toExpand;
    HTREEITEM classItem = nullptr;
    HTREEITEM providerItem = nullptr;
    HTREEITEM packageItem = nullptr;
    for (const std::unique_ptr<TreeNodeData>& node : nodes) {
        const bool isNew = node->Item == nullptr;
        if (node->Kind == TreeNodeKind::ClassGroup) {
            if (isNew) InsertItem(tree, TVI_ROOT, classItem, *node);
            classItem = node->Item;
            providerItem = nullptr;
        } else if (node->Kind == TreeNodeKind::ProviderGroup) {
            if (isNew) InsertItem(tree, classItem, providerItem, *node);
            providerItem = node->Item;
            packageItem = nullptr;
        } else {
            if (isNew) InsertItem(tree, providerItem, packageItem, *node);
            packageItem = node->Item;
            if (!placed.FirstPackage) placed.FirstPackage = node->Item;
            if (!placed.FirstChecked && node->Package->Checked) placed.FirstChecked = node->Item;
        }
        if (!isNew) UpdateCheckImage(tree, *node);
        if (NeedsExpanding(*node, !isNew, plan)) toExpand.push_back(node->Item);
        if (node->Key == plan.View.SelectedKey) placed.Selected = node->Item;
        if (node->Key == plan.View.FirstVisibleKey) placed.FirstVisible = node->Item;
    }
    // Inner groups first, as they were inserted.
    for (auto group = toExpand.rbegin(); group != toExpand.rend(); ++group)
        tree.Call(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(*group));
    return placed;
}

// Whether the rebuild changes the tree's items at all: a new query often
// leaves them as they are, and the tree then needs no repaint.
bool ItemsChange(const ShownNodes& shown, const std::vector<std::unique_ptr<TreeNodeData>>& nodes,
                 const RebuildPlan& plan) {
    return shown.HasLeftovers() || std::any_of(nodes.begin(), nodes.end(), [&](const auto& node) {
               return !node->Item || CheckImageOf(*node) != node->Image || NeedsExpanding(*node, true, plan);
           });
}

bool IsKept(const std::vector<std::unique_ptr<TreeNodeData>>& nodes, HTREEITEM item) {
    return item && std::any_of(nodes.begin(), nodes.end(), [&](const auto& node) { return node->Item == item; });
}

// Selects as a tree built from nothing would: the view's selection, else the
// first checked package, else the first package; or nothing while the checked
// packages' summary is shown.
void RestoreSelection(AppState& state, const TreeControl& tree, const PackageTreeView& view, const PlacedItems& placed) {
    const HTREEITEM selected = tree.Next(nullptr, TVGN_CARET);
    const auto& list = CurrentList(state);
    const bool anyChecked =
        std::any_of(list.begin(), list.end(), [](const DriverPackage& package) { return package.Checked; });
    if (view.ShowsSelectedSummary && anyChecked) {
        if (selected) tree.Call(TVM_SELECTITEM, TVGN_CARET, 0);
        ShowSelectedSummary(state, nullptr);
        return;
    }
    HTREEITEM item = placed.Selected ? placed.Selected : (placed.FirstChecked ? placed.FirstChecked : placed.FirstPackage);
    if (item) {
        // Expanding an open group again would make the control measure its items again.
        TreeNodeData* group = nullptr;
        bool expanded = false;
        for (HTREEITEM parent = tree.Next(item, TVGN_PARENT); parent; parent = tree.Next(parent, TVGN_PARENT)) {
            if (tree.Read(parent, group, expanded) && !expanded)
                tree.Call(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
        }
        if (item != selected)
            tree.Call(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        else if (!placed.FirstVisible)
            tree.Call(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    }
    // An empty tree shows the placeholder rather than details of a package it no longer lists.
    TreeNodeData* node = nullptr;
    bool expanded = false;
    ShowNodeDetails(state, item && tree.Read(item, node, expanded) ? node : nullptr);
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

    bool changes = false;
    {
        TreeEventsSuppressed suppressed(state);
        const TreeControl control(tree);
        // Items of the live tree are kept where shown again; a view brought
        // from another list starts from an empty tree.
        if (view) {
            ::SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
            control.Call(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
            state.TreeNodes.clear();
        }
        ShownNodes shown(std::move(state.TreeNodes));
        NextNodes next(shown);
        AddGroups(next, GroupMatchingPackages(state, matches));
        state.TreeNodes = std::move(next.Nodes());
        changes = view || ItemsChange(shown, state.TreeNodes, plan);
        if (changes) {
            ::SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
            // A selected item that goes is let go first, so the control does not pick a neighbour.
            if (!IsKept(state.TreeNodes, control.Next(nullptr, TVGN_CARET)))
                control.Call(TVM_SELECTITEM, TVGN_CARET, 0);
            shown.DeleteLeftovers(control);
        }
        const PlacedItems placed = PlaceItems(control, state.TreeNodes, plan);
        // Without its first visible item the changed tree starts at the top.
        if (changes && !placed.FirstVisible)
            control.Call(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(control.Next(nullptr, TVGN_ROOT)));
        RestoreSelection(state, control, plan.View, placed);
        // Setting the first visible item repaints the whole tree, the same item included.
        if (placed.FirstVisible && control.Next(nullptr, TVGN_FIRSTVISIBLE) != placed.FirstVisible)
            control.Call(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(placed.FirstVisible));
    }
    if (changes) {
        ::SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
        ::RedrawWindow(tree, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
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
    ForEachItem(tree, first, [&](HTREEITEM item, TreeNodeData& node) {
        node.Image = CheckImageOf(node);
        const UINT image = INDEXTOSTATEIMAGEMASK(node.Image);
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
