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

UINT CheckImageOf(const TreeNodeData& node) {
    if (node.Kind == TreeNodeKind::Package) return node.Package->Checked ? kCheckedImage : kUncheckedImage;
    const auto checked = std::count_if(node.Packages.begin(), node.Packages.end(),
                                       [](const DriverPackage* package) { return package->Checked; });
    if (checked == 0) return kUncheckedImage;
    return static_cast<std::size_t>(checked) == node.Packages.size() ? kCheckedImage : kPartlyCheckedImage;
}
