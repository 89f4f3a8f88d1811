#include "ui/main_window/main_window_splitter.h"

#include <algorithm>

#include "ui/dialogs/dialog_geometry.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_controls.h"

namespace {

bool IsOverGap(const AppState& state, POINT client) {
    const RECT tree = ChildRect(state.MainWindow, IDC_PACKAGE_TREE);
    const RECT details = ChildRect(state.MainWindow, IDC_DETAILS_FRAME);
    return client.x >= tree.right && client.x < details.left && client.y >= std::min(tree.top, details.top) &&
           client.y < std::max(tree.bottom, details.bottom);
}

}  // namespace

bool SetSplitterCursor(AppState& state) {
    if (state.Busy && !state.SplitterDragging) return false;
    POINT pointer{};
    ::GetCursorPos(&pointer);
    ::ScreenToClient(state.MainWindow, &pointer);
    if (!state.SplitterDragging && !IsOverGap(state, pointer)) return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
    return true;
}

bool OnSplitterButtonDown(AppState& state, POINT client) {
    if (!IsOverGap(state, client)) return false;
    state.SplitterDragging = true;
    state.SplitterGrab = client.x - ChildRect(state.MainWindow, IDC_PACKAGE_TREE).right;
    ::SetCapture(state.MainWindow);
    return true;
}

bool OnSplitterMove(AppState& state, POINT client) {
    if (!state.SplitterDragging) return false;
    const LONG treeRight = ChildRect(state.MainWindow, IDC_PACKAGE_TREE).right;
    const int wanted = state.SplitterOffset + (client.x - state.SplitterGrab - treeRight);
    const int offset = ClampSplitterOffset(state, wanted);
    if (offset != state.SplitterOffset) {
        state.SplitterOffset = offset;
        LayoutMainWindow(state);
    }
    return true;
}

void EndSplitterDrag(AppState& state) {
    if (!state.SplitterDragging) return;
    state.SplitterDragging = false;
    if (::GetCapture() == state.MainWindow) ::ReleaseCapture();
}
