#pragma once
// Reading a tree view's items by their texts, for tests that look at the
// package tree.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace test {

std::wstring TreeItemText(HWND tree, HTREEITEM item);

// Depth first, the first item with this text; null when there is none.
HTREEITEM FindTreeItem(HWND tree, const std::wstring& text);

// Texts of the children of `parent`; TVI_ROOT gives the top level.
std::vector<std::wstring> TreeChildTexts(HWND tree, HTREEITEM parent);

}  // namespace test
