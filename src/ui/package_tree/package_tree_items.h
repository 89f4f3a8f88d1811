#pragma once
// What the tree's items stand for, shared by the rebuild and the tree's
// notifications: an item's record, its check image, a walk over items, a
// direct line to the control for bulk item traffic, and a scope in which the
// program's own changes to the tree are not user actions.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "ui/main_window/app_state.h"

inline constexpr UINT kUncheckedImage = 1;
inline constexpr UINT kCheckedImage = 2;
inline constexpr UINT kPartlyCheckedImage = 3;

// The record behind an item; null for no item.
TreeNodeData* NodeOf(HWND tree, HTREEITEM item);

// The tree control's own window procedure, which a rebuild calls directly for
// its item traffic. A sent message passes every subclass of the window (which
// only watch input) and the system's message dispatch; on Wine that costs tens
// of microseconds per message, more than the tree's work, over thousands of items.
class TreeControl {
public:
    explicit TreeControl(HWND tree);
    LRESULT Call(UINT message, WPARAM wParam, LPARAM lParam) const;
    HTREEITEM Next(HTREEITEM item, UINT relation) const;
    // The item's record and whether it is expanded; false for no item.
    bool Read(HTREEITEM item, TreeNodeData*& node, bool& expanded) const;

private:
    HWND tree_;
    WNDPROC procedure_;
};

// Unchecked or checked for a package; for a group, whether none, all or some
// of its packages are checked.
UINT CheckImageOf(const TreeNodeData& node);

// Visits `first`, its following siblings and all their descendants, depth first.
template <typename Visit>
void ForEachItem(HWND tree, HTREEITEM first, Visit&& visit) {
    for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
        if (TreeNodeData* node = NodeOf(tree, item)) visit(item, *node);
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
