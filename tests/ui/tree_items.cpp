#include "tree_items.h"

namespace test {

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    wchar_t buffer[260] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = buffer;
    data.cchTextMax = 260;
    return TreeView_GetItem(tree, &data) ? buffer : L"";
}

HTREEITEM FindTreeItem(HWND tree, const std::wstring& text) {
    std::vector<HTREEITEM> pending{TreeView_GetRoot(tree)};
    while (!pending.empty()) {
        HTREEITEM item = pending.back();
        pending.pop_back();
        for (; item; item = TreeView_GetNextSibling(tree, item)) {
            if (TreeItemText(tree, item) == text) return item;
            pending.push_back(TreeView_GetChild(tree, item));
        }
    }
    return nullptr;
}

std::vector<std::wstring> TreeChildTexts(HWND tree, HTREEITEM parent) {
    std::vector<std::wstring> texts;
    for (HTREEITEM item = parent == TVI_ROOT ? TreeView_GetRoot(tree) : TreeView_GetChild(tree, parent); item;
         item = TreeView_GetNextSibling(tree, item)) {
        texts.push_back(TreeItemText(tree, item));
    }
    return texts;
}

}  // namespace test
