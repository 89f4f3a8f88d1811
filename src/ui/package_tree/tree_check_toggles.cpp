#include "ui/package_tree/tree_check_toggles.h"

#include <commctrl.h>
#include <windowsx.h>

#include "core/unique_handle.h"

namespace {

constexpr UINT_PTR kToggleSubclassId = 0x51425443;
constexpr UINT kPartlyChecked = 3;

struct WindowTraits {
    using Type = HWND;
    static Type Empty() noexcept { return nullptr; }
    static void Close(Type window) noexcept { ::DestroyWindow(window); }
};
using OwnedWindow = UniqueHandle<WindowTraits>;

UINT StateImage(HWND tree, HTREEITEM item) {
    return (TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12;
}

LRESULT CALLBACK ProbeParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR seen) {
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == TVN_ITEMCHANGEDW)
        *reinterpret_cast<bool*>(seen) = true;
    return ::DefSubclassProc(window, message, wParam, lParam);
}

// Changes a state image in a hidden tree and watches whether the parent hears of it.
bool ControlReportsStateChanges() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    OwnedWindow parent(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, instance,
                                         nullptr));
    if (!parent) return true;
    HWND tree = ::CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD, 0, 0, 100, 100, parent.get(), nullptr, instance,
                                  nullptr);
    if (!tree) return true;
    ::SetWindowLongPtrW(tree, GWL_STYLE, ::GetWindowLongPtrW(tree, GWL_STYLE) | TVS_CHECKBOXES);
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(L"probe");
    const HTREEITEM item = TreeView_InsertItem(tree, &insert);
    bool seen = false;
    ::SetWindowSubclass(parent.get(), ProbeParentProc, kToggleSubclassId, reinterpret_cast<DWORD_PTR>(&seen));
    TreeView_SetItemState(tree, item, INDEXTOSTATEIMAGEMASK(2), TVIS_STATEIMAGEMASK);
    ::RemoveWindowSubclass(parent.get(), ProbeParentProc, kToggleSubclassId);
    return seen;
}

// The item whose check box this input toggles, if any.
HTREEITEM ToggledItem(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_SPACE) return TreeView_GetSelection(tree);
    if (message != WM_LBUTTONDOWN && message != WM_LBUTTONDBLCLK) return nullptr;
    TVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const HTREEITEM item = TreeView_HitTest(tree, &hit);
    return (hit.flags & TVHT_ONITEMSTATEICON) ? item : nullptr;
}

void NotifyToggle(HWND tree, HTREEITEM item, UINT oldImage, UINT newImage) {
    const UINT otherState = TreeView_GetItemState(tree, item, ~TVIS_STATEIMAGEMASK) & ~TVIS_STATEIMAGEMASK;
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    TreeView_GetItem(tree, &data);
    NMTVITEMCHANGE change{};
    change.hdr.hwndFrom = tree;
    change.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(tree));
    change.hdr.code = TVN_ITEMCHANGEDW;
    change.uChanged = TVIF_STATE;
    change.hItem = item;
    change.uStateOld = otherState | INDEXTOSTATEIMAGEMASK(oldImage);
    change.uStateNew = otherState | INDEXTOSTATEIMAGEMASK(newImage);
    change.lParam = data.lParam;
    ::SendMessageW(::GetParent(tree), WM_NOTIFY, change.hdr.idFrom, reinterpret_cast<LPARAM>(&change));
}

LRESULT CALLBACK ToggleReportingProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(tree, ToggleReportingProc, kToggleSubclassId);
    const HTREEITEM item = ToggledItem(tree, message, wParam, lParam);
    const UINT before = item ? StateImage(tree, item) : 0;
    const LRESULT result = ::DefSubclassProc(tree, message, wParam, lParam);
    if (!item || !before) return result;
    UINT after = StateImage(tree, item);
    if (after == before && before == kPartlyChecked) {
        // The control leaves a partly checked box as it is; the system's moves it on to unchecked.
        after = 1;
        TreeView_SetItemState(tree, item, INDEXTOSTATEIMAGEMASK(after), TVIS_STATEIMAGEMASK);
    }
    if (after != before) NotifyToggle(tree, item, before, after);
    return result;
}

}  // namespace

void ReportCheckToggles(HWND tree) {
    static const bool reportedByControl = ControlReportsStateChanges();
    if (!reportedByControl) ::SetWindowSubclass(tree, ToggleReportingProc, kToggleSubclassId, 0);
}
