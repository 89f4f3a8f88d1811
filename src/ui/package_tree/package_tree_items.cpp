#include "ui/package_tree/package_tree_items.h"

#include <algorithm>

TreeNodeData* NodeOf(HWND tree, HTREEITEM item) {
    if (!item) return nullptr;
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!TreeView_GetItem(tree, &data)) return nullptr;
    return reinterpret_cast<TreeNodeData*>(data.lParam);
}

TreeControl::TreeControl(HWND tree)
    : tree_(tree), procedure_(reinterpret_cast<WNDPROC>(::GetClassLongPtrW(tree, GCLP_WNDPROC))) {}

LRESULT TreeControl::Call(UINT message, WPARAM wParam, LPARAM lParam) const {
    return procedure_ ? ::CallWindowProcW(procedure_, tree_, message, wParam, lParam)
                      : ::SendMessageW(tree_, message, wParam, lParam);
}

HTREEITEM TreeControl::Next(HTREEITEM item, UINT relation) const {
    return reinterpret_cast<HTREEITEM>(Call(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

bool TreeControl::Read(HTREEITEM item, TreeNodeData*& node, bool& expanded) const {
    if (!item) return false;
    TVITEMW data{};
    data.mask = TVIF_PARAM | TVIF_STATE;
    data.stateMask = TVIS_EXPANDED;
    data.hItem = item;
    if (!Call(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data))) return false;
    node = reinterpret_cast<TreeNodeData*>(data.lParam);
    expanded = (data.state & TVIS_EXPANDED) != 0;
    return true;
}

UINT CheckImageOf(const TreeNodeData& node) {
    if (node.Kind == TreeNodeKind::Package) return node.Package->Checked ? kCheckedImage : kUncheckedImage;
    const auto checked = std::count_if(node.Packages.begin(), node.Packages.end(),
                                       [](const DriverPackage* package) { return package->Checked; });
    if (checked == 0) return kUncheckedImage;
    return static_cast<std::size_t>(checked) == node.Packages.size() ? kCheckedImage : kPartlyCheckedImage;
}
