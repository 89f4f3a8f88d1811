// The main window's layout: controls follow their anchors when the window is
// resized, the splitter moves the tree's edge within both sides' minimums,
// and a DPI change scales the whole arrangement and its fonts.
#include <gtest/gtest.h>

#include <windowsx.h>

#include <map>

#include "main_window_fixture.h"
#include "ui/main_window_controls.h"
#include "ui/window_layout.h"

namespace {

using test::MainWindowTest;

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

void Drag(HWND window, POINT from, int dx) {
    ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    ::SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.x + dx, from.y));
    ::SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(from.x + dx, from.y));
}

}  // namespace

TEST_F(MainWindowTest, ControlsFollowTheirAnchorsAndTheSplitter) {
    Open();
    const int ids[] = {IDC_REFRESH,   IDC_TARGET,        IDC_PACKAGE_TREE, IDC_DETAILS_FRAME, IDC_STATUS_LINE,
                       IDC_ACTION,    IDC_SOURCE_PATH,   IDC_BOTTOM_PANEL, IDC_SELECTION_SUMMARY};
    std::map<int, RECT> before;
    for (const int id : ids) before[id] = ClientRectOf(id);
    RECT frame{};
    ::GetWindowRect(window_, &frame);
    ::SetWindowPos(window_, nullptr, 0, 0, Width(frame) + 200, Height(frame) + 100, SWP_NOMOVE | SWP_NOZORDER);
    Pump();

    struct Expectation {
        int Id;
        int Left, Top, Right, Bottom;  // how far each edge moved
    };
    const Expectation moved[] = {
        {IDC_REFRESH, 200, 0, 200, 0},         // right
        {IDC_TARGET, 0, 0, 200, 0},            // stretches with the width
        {IDC_PACKAGE_TREE, 0, 0, 0, 100},      // stretches with the height
        {IDC_DETAILS_FRAME, 0, 0, 200, 100},   // both
        {IDC_STATUS_LINE, 0, 100, 200, 100},   // bottom, width
        {IDC_ACTION, 200, 100, 200, 100},      // right, bottom
        {IDC_SOURCE_PATH, 0, 100, 200, 100},   // bottom, width
        {IDC_BOTTOM_PANEL, 0, 100, 200, 100},  // bottom, width
    };
    for (const Expectation& e : moved) {
        SCOPED_TRACE(e.Id);
        const RECT now = ClientRectOf(e.Id);
        const RECT& was = before[e.Id];
        EXPECT_EQ(now.left - was.left, e.Left);
        EXPECT_EQ(now.top - was.top, e.Top);
        EXPECT_EQ(now.right - was.right, e.Right);
        EXPECT_EQ(now.bottom - was.bottom, e.Bottom);
    }
    // The selection label gives room to its buttons only as far as they need it.
    const RECT summary = ClientRectOf(IDC_SELECTION_SUMMARY);
    EXPECT_EQ(summary.left, before[IDC_SELECTION_SUMMARY].left);
    EXPECT_EQ(summary.top, before[IDC_SELECTION_SUMMARY].top + 100);
    EXPECT_GE(summary.right, before[IDC_SELECTION_SUMMARY].right);
    EXPECT_LT(summary.right, ClientRectOf(IDC_SELECT_OLD_DRIVERS).left);
    const RECT action = ClientRectOf(IDC_ACTION);
    const RECT progress = ClientRectOf(IDC_PROGRESS);
    EXPECT_EQ(progress.left, action.left);
    EXPECT_EQ(progress.right, action.right);

    // The gap between tree and details is the splitter.
    const RECT tree = ClientRectOf(IDC_PACKAGE_TREE);
    const RECT details = ClientRectOf(IDC_DETAILS_FRAME);
    const POINT gap{(tree.right + details.left) / 2, tree.top + 40};
    Drag(window_, gap, 60);
    EXPECT_EQ(ClientRectOf(IDC_PACKAGE_TREE).right, tree.right + 60);
    EXPECT_EQ(ClientRectOf(IDC_DETAILS_FRAME).left, details.left + 60);
    EXPECT_EQ(ClientRectOf(IDC_DETAILS_FRAME).right, details.right);
    EXPECT_GE(ClientRectOf(IDC_PACKAGE_COUNT).left, ClientRectOf(IDC_SEARCH_FRAME).right)
        << "the count label keeps clear of the widened search frame";
    // Dragged far, each side keeps its minimum width.
    Drag(window_, {(ClientRectOf(IDC_PACKAGE_TREE).right + ClientRectOf(IDC_DETAILS_FRAME).left) / 2, gap.y}, 5000);
    EXPECT_EQ(Width(ClientRectOf(IDC_DETAILS_FRAME)), 330);
    Drag(window_, {(ClientRectOf(IDC_PACKAGE_TREE).right + ClientRectOf(IDC_DETAILS_FRAME).left) / 2, gap.y}, -5000);
    EXPECT_EQ(Width(ClientRectOf(IDC_PACKAGE_TREE)), 180);
    EXPECT_FALSE(state_.SplitterDragging);
}

TEST_F(MainWindowTest, DpiChangeScalesTheLayoutAndTheFonts) {
    Open();
    ASSERT_EQ(state_.Dpi, 96u) << "the test display runs at 96 DPI";
    const RECT refresh = ClientRectOf(IDC_REFRESH);
    const RECT tree = ClientRectOf(IDC_PACKAGE_TREE);
    RECT frame{};
    ::GetWindowRect(window_, &frame);
    RECT suggested{frame.left, frame.top, frame.left + Width(frame) * 3 / 2, frame.top + Height(frame) * 3 / 2};
    ::SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    Pump();

    EXPECT_EQ(state_.Dpi, 144u);
    EXPECT_NEAR(Height(ClientRectOf(IDC_REFRESH)), Height(refresh) * 3 / 2, 1);
    EXPECT_NEAR(ClientRectOf(IDC_PACKAGE_TREE).left, tree.left * 3 / 2, 1);
    EXPECT_NEAR(ClientRectOf(IDC_PACKAGE_TREE).top, tree.top * 3 / 2, 1);
    LOGFONTW body{};
    ASSERT_TRUE(::GetObjectW(state_.BodyFont, sizeof(body), &body));
    EXPECT_EQ(body.lfHeight, -18) << "9 points at 144 DPI";
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(Control(IDC_SEARCH), WM_GETFONT, 0, 0)), state_.BodyFont);
    EXPECT_EQ(TreeView_GetItemHeight(Control(IDC_PACKAGE_TREE)), 33);

    // The window is never made smaller than its content at the new DPI.
    MINMAXINFO limits{};
    ::SendMessageW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_GE(limits.ptMinTrackSize.x, state_.Layout.DesignClient.cx * 3 / 2);
    EXPECT_GE(limits.ptMinTrackSize.y, state_.Layout.DesignClient.cy * 3 / 2);
}
