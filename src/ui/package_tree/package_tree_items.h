#pragma once
// What the tree's items stand for, shared by the rebuild and the tree's
// notifications: an item's record, its check image, a walk over items, and a
// scope in which the program's own changes to the tree are not user actions.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "ui/main_window/app_state.h"

inline constexpr UINT kUncheckedImage = 1;
inline constexpr UINT kCheckedImage = 2;
inline constexpr UINT kPartlyCheckedImage = 3;

// The record behind an item; null for no item.
TreeNodeData* NodeOf(HWND tree, HTREEITEM item);

// Unchecked or checked for a package; for a group, whether none, all or some
// of its packages are checked.
UINT CheckImageOf(const TreeNodeData& node);

// Visits `first`, its following siblings and all their descendants, depth first.
template <typename Visit>
void ForEachItem(HWND tree, HTREEITEM first, Visit&& visit) {
    for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
        if (const TreeNodeData* node = NodeOf(tree, item)) visit(item, *node);
        ForEachItem(tree, TreeView_GetChild(tree, item), visit);
    }
}

class TreeEventsSuppressed {
public:
    explicit TreeEventsSuppressed(AppState& state) : state_(state), previous_(state.SuppressTreeEvents) {
        state.SuppressTreeEvents = true;
    }
    TreeEventsSuppressed(const TreeEventsSuppressed&) = delete;
    TreeEventsSuppressed& operator=(const TreeEventsSuppressed&) = delete;
    ~TreeEventsSuppressed() { state_.SuppressTreeEvents = previous_; }

private:
    AppState& state_;
    bool previous_;
};
