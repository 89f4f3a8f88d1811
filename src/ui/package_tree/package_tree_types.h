#pragma once
// The records behind the package tree and the details pane: what each tree item
// stands for, the view carried across rebuilds, and what the pane shows.
#include <windows.h>

#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "platform/driver_package.h"

enum class TreeNodeKind : int { ClassGroup = 0, ProviderGroup = 1, Package = 2 };

// One per tree item; the item's parameter points to it.
struct TreeNodeData {
    TreeNodeKind Kind = TreeNodeKind::Package;
    DriverPackage* Package = nullptr;         // package items only
    std::wstring Key;                         // identifies the item across rebuilds
    std::vector<DriverPackage*> Packages;     // group items: the matching packages under it
    // What the item shows, so a rebuild can keep an item that shows the same.
    HTREEITEM Item = nullptr;
    std::wstring Text;
    UINT Image = 0;                           // the check image last given to the item
};

// Expansion, selection and scroll position of a tree, kept across rebuilds and
// mode switches.
struct PackageTreeView {
    std::map<std::wstring, bool> Expanded;  // every group item's key
    std::wstring SelectedKey;
    std::wstring FirstVisibleKey;
    std::wstring SearchText;                // trimmed, at capture time
    bool ShowsSelectedSummary = false;
};

// The details key of the checked packages' summary.
inline constexpr wchar_t kSelectedPackagesKey[] = L"selected-packages";

struct DetailsState {
    std::wstring Key;       // empty: the placeholder
    int RowCount = 0;       // 8 package, 1 summary, 0 placeholder
    int ContentHeight = 0;  // pixels
    int ScrollOffset = 0;   // pixels
    std::map<int, std::wstring> Texts;  // what each of the pane's controls was last given, by control
};
