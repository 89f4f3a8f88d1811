// The tree's notifications: check box toggles, selection, the drawn selection
// row and clicks beside an item's text.
#include <windowsx.h>

#include <algorithm>

#include "ui/details/details_pane.h"
#include "ui/drawing/palette.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/status_line.h"
#include "ui/package_tree/package_tree.h"
#include "ui/package_tree/package_tree_items.h"

namespace {

UINT StateImage(UINT state) { return (state & TVIS_STATEIMAGEMASK) >> 12; }

// A click on a check box always toggles: a package between checked and
// unchecked, a group between all and none of its packages. The image the
// control proposes for a group is not used.
void OnCheckToggled(AppState& state, HWND tree, HTREEITEM item, UINT newImage) {
    TreeNodeData* node = NodeOf(tree, item);
    if (!node) return;
    if (node->Kind == TreeNodeKind::Package) {
        node->Package->Checked = newImage == kCheckedImage;
    } else {
        const bool allChecked = std::all_of(node->Packages.begin(), node->Packages.end(),
                                            [](const DriverPackage* package) { return package->Checked; });
        for (DriverPackage* package : node->Packages) package->Checked = !allChecked;
    }
    {
        TreeEventsSuppressed suppressed(state);
        SyncCheckImages(tree, TreeView_GetRoot(tree));
    }
    if (state.Details.Key == kSelectedPackagesKey) {
        ResetStatusIfTemporary(state);
        UpdateSelectionSummary(state);
        ShowSelectedSummary(state, node);
        return;
    }
    // Selecting the toggled item shows its details through the selection notification.
    if (TreeView_GetSelection(tree) != item) TreeView_SelectItem(tree, item);
    ResetStatusIfTemporary(state);
    UpdateSelectionSummary(state);
}

void OnItemChanged(AppState& state, const NMTVITEMCHANGE& change) {
    if (state.SuppressTreeEvents || !(change.uChanged & TVIF_STATE)) return;
    const UINT newImage = StateImage(change.uStateNew);
    if (newImage == StateImage(change.uStateOld)) return;  // selection, expansion and the like
    OnCheckToggled(state, change.hdr.hwndFrom, change.hItem, newImage);
}

void OnSelectionChanged(AppState& state, const NMTREEVIEWW& change) {
    if (state.SuppressTreeEvents) return;
    const TreeNodeData* node = NodeOf(change.hdr.hwndFrom, change.itemNew.hItem);
    // Groups of an install source have no summary worth replacing the details with.
    if (state.Mode == AppMode::Installation && node && node->Kind != TreeNodeKind::Package) return;
    ShowNodeDetails(state, node);
}

// Only the selected row is drawn by us: filled across the whole client width,
// in the accent tint while the tree has the focus and muted otherwise, without
// the control's own selection, focus and hot effects. The tints alone hardly
// differ from the white card, so the row gets a frame that stands out (accent
// or secondary) and, with the focus, the dotted focus cue inside it.
RECT SelectedRow(HWND tree, const NMCUSTOMDRAW& draw) {
    RECT client{};
    ::GetClientRect(tree, &client);
    return {client.left, draw.rc.top, client.right, draw.rc.bottom};
}

void FrameSelectedRow(HWND tree, const NMCUSTOMDRAW& draw) {
    const bool focused = ::GetFocus() == tree;
    RECT row = SelectedRow(tree, draw);
    ::SetDCBrushColor(draw.hdc, focused ? kColorAccent : kColorSecondary);
    ::FrameRect(draw.hdc, &row, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    if (!focused) return;
    ::InflateRect(&row, -2, -2);
    ::SetTextColor(draw.hdc, kColorSelectedText);
    ::SetBkColor(draw.hdc, kColorAccentLight);
    ::DrawFocusRect(draw.hdc, &row);
}

LRESULT OnCustomDraw(NMTVCUSTOMDRAW& draw) {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    const bool itemStage = draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT || draw.nmcd.dwDrawStage == CDDS_ITEMPOSTPAINT;
    if (!itemStage) return CDRF_DODEFAULT;
    HWND tree = draw.nmcd.hdr.hwndFrom;
    const auto item = reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec);
    if (!(TreeView_GetItemState(tree, item, TVIS_SELECTED) & TVIS_SELECTED)) return CDRF_DODEFAULT;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPOSTPAINT) {
        FrameSelectedRow(tree, draw.nmcd);
        return CDRF_DODEFAULT;
    }

    const COLORREF fill = ::GetFocus() == tree ? kColorAccentLight : kColorMuted;
    const RECT row = SelectedRow(tree, draw.nmcd);
    ::SetDCBrushColor(draw.nmcd.hdc, fill);
    ::FillRect(draw.nmcd.hdc, &row, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    draw.clrText = ::GetFocus() == tree ? kColorSelectedText : kColorText;
    draw.clrTextBk = fill;
    draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS | CDIS_HOT);
    return CDRF_NOTIFYPOSTPAINT;
}

// A click in the empty part of a row, right of the text, selects that row and
// does nothing else.
bool OnClick(HWND tree, LRESULT& result) {
    const DWORD position = ::GetMessagePos();
    TVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ::ScreenToClient(tree, &hit.pt);
    const HTREEITEM item = TreeView_HitTest(tree, &hit);
    if (!item || !(hit.flags & TVHT_ONITEMRIGHT)) return false;
    ::SetFocus(tree);
    TreeView_SelectItem(tree, item);
    result = TRUE;
    return true;
}

}  // namespace

bool HandlePackageTreeNotify(AppState& state, const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case TVN_ITEMCHANGEDW:
        OnItemChanged(state, reinterpret_cast<const NMTVITEMCHANGE&>(header));
        result = 0;
        return true;
    case TVN_SELCHANGEDW:
        OnSelectionChanged(state, reinterpret_cast<const NMTREEVIEWW&>(header));
        result = 0;
        return true;
    case NM_CUSTOMDRAW:
        // The control reads its colours and item state back from this structure.
        result = OnCustomDraw(const_cast<NMTVCUSTOMDRAW&>(reinterpret_cast<const NMTVCUSTOMDRAW&>(header)));
        return true;
    case NM_CLICK:
        return OnClick(header.hwndFrom, result);
    default:
        return false;
    }
}
