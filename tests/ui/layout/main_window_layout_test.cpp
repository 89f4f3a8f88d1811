// The main window's layout: controls follow their anchors when the window is
// resized, the splitter moves the tree's edge within both sides' minimums,
// and a DPI change scales the whole arrangement and its fonts.
#include <gtest/gtest.h>

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <map>
#include <utility>
#include <vector>

#include "core/localized_text.h"
#include "tests/ui/drawing_canvas.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/icon_glyphs.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/window_text.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_language.h"

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

TEST_F(MainWindowTest, ControlsFollowTheirAnchorsAtEveryScale) {
    Open();
    for (const UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        ChangeDpi(dpi);
        // From the smallest window, which the screen holds at every scale.
        ::SetWindowPos(window_, nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER);
        Pump();
        const int dx = ::MulDiv(200, static_cast<int>(dpi), 96);
        const int dy = ::MulDiv(100, static_cast<int>(dpi), 96);
        const int ids[] = {IDC_REFRESH,      IDC_TARGET,      IDC_PACKAGE_TREE, IDC_DETAILS_FRAME,    IDC_STATUS_LINE,
                           IDC_ACTION,       IDC_SOURCE_PATH, IDC_BOTTOM_PANEL, IDC_SELECTION_SUMMARY, IDC_TARGET_LABEL,
                           IDC_PATH_LABEL,   IDC_LANGUAGE};
        std::map<int, RECT> before;
        for (const int id : ids) before[id] = ClientRectOf(id);
        RECT frame{};
        ::GetWindowRect(window_, &frame);
        ::SetWindowPos(window_, nullptr, 0, 0, Width(frame) + dx, Height(frame) + dy, SWP_NOMOVE | SWP_NOZORDER);
        Pump();
        ASSERT_FALSE(::GetWindowLongPtrW(window_, GWL_STYLE) & WS_HSCROLL) << "the content fits the screen";

        struct Expectation {
            int Id;
            int Left, Top, Right, Bottom;  // how far each edge moved
        };
        const Expectation moved[] = {
            {IDC_REFRESH, dx, 0, dx, 0},          // right
            {IDC_LANGUAGE, dx, 0, dx, 0},         // right
            {IDC_TARGET, 0, 0, dx, 0},            // stretches with the width
            {IDC_PACKAGE_TREE, 0, 0, 0, dy},      // stretches with the height
            {IDC_DETAILS_FRAME, 0, 0, dx, dy},    // both
            {IDC_STATUS_LINE, 0, dy, dx, dy},     // bottom, width
            {IDC_ACTION, dx, dy, dx, dy},         // right, bottom
            {IDC_SOURCE_PATH, 0, dy, dx, dy},     // bottom, width
            {IDC_BOTTOM_PANEL, 0, dy, dx, dy},    // bottom, width
            {IDC_PATH_LABEL, 0, dy, 0, dy},       // bottom
            {IDC_TARGET_LABEL, 0, 0, 0, 0},       // fixed
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
        EXPECT_EQ(summary.top, before[IDC_SELECTION_SUMMARY].top + dy);
        EXPECT_LT(summary.right, ClientRectOf(IDC_SELECT_OLD_DRIVERS).left);
        const RECT action = ClientRectOf(IDC_ACTION);
        const RECT progress = ClientRectOf(IDC_PROGRESS);
        EXPECT_EQ(progress.left, action.left);
        EXPECT_EQ(progress.right, action.right);
        // The top rows line up with their drop-down boxes at every scale.
        for (const auto& [box, beside] : {std::pair{IDC_TARGET, IDC_REFRESH}, std::pair{IDC_TARGET, IDC_CHOOSE_TARGET},
                                          std::pair{IDC_TARGET, IDC_TARGET_LABEL}, std::pair{IDC_LANGUAGE, IDC_LOG_BUTTON}}) {
            SCOPED_TRACE(beside);
            EXPECT_EQ(ClientRectOf(beside).top, ClientRectOf(box).top);
            EXPECT_EQ(ClientRectOf(beside).bottom, ClientRectOf(box).bottom);
        }
    }
}

TEST_F(MainWindowTest, SplitterMovesTheTreeEdgeWithinBothMinimums) {
    Open();
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
    const RECT selectAll = ClientRectOf(IDC_SELECT_ALL);
    const RECT tree = ClientRectOf(IDC_PACKAGE_TREE);
    ChangeDpi(144);

    EXPECT_EQ(state_.Dpi, 144u);
    EXPECT_NEAR(Height(ClientRectOf(IDC_SELECT_ALL)), Height(selectAll) * 3 / 2, 1);
    EXPECT_NEAR(ClientRectOf(IDC_PACKAGE_TREE).left, tree.left * 3 / 2, 1);
    EXPECT_NEAR(ClientRectOf(IDC_PACKAGE_TREE).top, tree.top * 3 / 2, 1);
    LOGFONTW body{};
    ASSERT_TRUE(::GetObjectW(state_.BodyFont, sizeof(body), &body));
    EXPECT_EQ(body.lfHeight, -18) << "9 points at 144 DPI";
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(Control(IDC_SEARCH), WM_GETFONT, 0, 0)), state_.BodyFont);
    EXPECT_EQ(TreeView_GetItemHeight(Control(IDC_PACKAGE_TREE)), 33);
    // The check images are drawn for the new scale: a 24-pixel square and the
    // gap of 3 pixels scaled, the checked box unlike the unchecked one.
    const HIMAGELIST checks = TreeView_GetImageList(Control(IDC_PACKAGE_TREE), TVSIL_STATE);
    int checkWidth = 0;
    int checkHeight = 0;
    ASSERT_TRUE(ImageList_GetIconSize(checks, &checkWidth, &checkHeight));
    EXPECT_EQ(checkHeight, 24);
    EXPECT_EQ(checkWidth, 24 + ::MulDiv(3, 144, 96));
    const auto centre = [&](int image) {
        DrawingCanvas canvas(checkWidth, checkHeight, kColorWhite);
        ImageList_Draw(checks, image, canvas.Dc(), 0, 0, ILD_NORMAL);
        int dark = 0;
        for (int y = checkHeight / 3; y < checkHeight * 2 / 3; ++y) {
            for (int x = checkHeight / 3; x < checkHeight * 2 / 3; ++x) dark += GetGValue(canvas.At(x, y)) < 128;
        }
        return dark;
    };
    EXPECT_EQ(centre(1), 0) << "unchecked";
    EXPECT_GT(centre(2), 0) << "checked";

    // The window is never made smaller than its content at the new DPI.
    MINMAXINFO limits{};
    ::SendMessageW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_GE(limits.ptMinTrackSize.x, state_.Layout.DesignClient.cx * 3 / 2);
    EXPECT_GE(limits.ptMinTrackSize.y, state_.Layout.DesignClient.cy * 3 / 2);
}

namespace {

struct FittedRow {
    int Anchor;
    int AnchorMinimum96;
    std::vector<int> Buttons;  // right to left
};

const FittedRow kRows[] = {
    {IDC_LANGUAGE, 70, {IDC_LOG_BUTTON}},
    {IDC_TARGET, 100, {IDC_REFRESH, IDC_CHOOSE_TARGET}},
    {IDC_SELECTION_SUMMARY, 100, {IDC_ACTION, IDC_SELECT_ALL, IDC_CLEAR_SELECTION, IDC_SELECT_OLD_DRIVERS}},
    {IDC_SOURCE_PATH, 100, {IDC_BROWSE_SOURCE}},
};

int Scaled(int value, UINT dpi) { return ::MulDiv(value, static_cast<int>(dpi), 96); }

int ControlTextWidth(HWND control, HFONT font = nullptr) {
    return TextWidthIn(control, font, WindowTextOf(control));
}

}  // namespace

// Checks that a laid-out window shows every fitted text whole.
class WindowFitTest : public MainWindowTest {
protected:
    // Makes the window as narrow as it may be.
    void ShrinkToMinimum() {
        RECT frame{};
        ::GetWindowRect(window_, &frame);
        ::SetWindowPos(window_, nullptr, 0, 0, 1, Height(frame), SWP_NOMOVE | SWP_NOZORDER);
        Pump();
    }

    LONG WindowWidth() const {
        RECT frame{};
        ::GetWindowRect(window_, &frame);
        return Width(frame);
    }

    // The display stays at 96 DPI while the window believes in another scale:
    // it sizes itself for that scale's frame, so its client area is wider than
    // its content's minimum by the difference between the two frames.
    int FrameSurplus() const {
        RECT scaled{0, 0, 100, 100};
        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE)) & ~(WS_HSCROLL | WS_VSCROLL);
        AdjustWindowRectForDpi(scaled, style, static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE)),
                               state_.Dpi);
        RECT client{};
        ::GetClientRect(window_, &client);
        return (Width(scaled) - 100) - (WindowWidth() - client.right);
    }

    // No button of the fitted rows, mode segment or search label is narrower
    // than its text and nothing overlaps; each row's anchor keeps its minimum.
    // Returns the room each anchor has above its minimum.
    std::vector<int> ExpectTextsFit() {
        const UINT dpi = state_.Dpi;
        std::vector<int> slack;
        for (const FittedRow& row : kRows) {
            LONG nextRight = LONG_MAX;
            for (const int id : row.Buttons) {
                SCOPED_TRACE(id);
                const RECT r = ClientRectOf(id);
                EXPECT_LE(r.right, nextRight) << "overlaps the button to its right";
                nextRight = r.left;
                int text = ControlTextWidth(Control(id));
                if (id == IDC_ACTION) {
                    for (const TextId action : {64u, 65u, 66u, 170u})
                        text = std::max(text, TextWidthIn(Control(id), nullptr, GetText(state_.Language, action)));
                }
                EXPECT_GE(Width(r), text + Scaled(16, dpi));
            }
            const RECT anchor = ClientRectOf(row.Anchor);
            EXPECT_LE(anchor.right, nextRight);
            EXPECT_GE(Width(anchor), Scaled(row.AnchorMinimum96, dpi));
            slack.push_back(Width(anchor) - Scaled(row.AnchorMinimum96, dpi));
        }
        LONG segmentRight = 0;
        for (const int id : {IDC_MODE_BACKUP, IDC_MODE_REMOVAL, IDC_MODE_INSTALLATION, IDC_SETTINGS}) {
            SCOPED_TRACE(id);
            const RECT r = ClientRectOf(id);
            EXPECT_GE(r.left, segmentRight);
            EXPECT_GE(Width(r), ControlTextWidth(Control(id), state_.BodySemiboldFont));
            segmentRight = r.right;
        }
        EXPECT_LE(segmentRight, ClientRectOf(IDC_DETAILS_FRAME).right);
        EXPECT_GE(Width(ClientRectOf(IDC_SEARCH_LABEL)), ControlTextWidth(Control(IDC_SEARCH_LABEL)));
        EXPECT_LE(ClientRectOf(IDC_SEARCH_LABEL).right, ClientRectOf(IDC_SEARCH_FRAME).left);
        EXPECT_FALSE(::GetWindowLongPtrW(window_, GWL_STYLE) & WS_HSCROLL) << "the minimum content is shown whole";
        return slack;
    }
};

TEST_F(WindowFitTest, EveryLanguageFitsAtTheMinimumWidthAtEveryScale) {
    Open();
    for (const UINT dpi : {96u, 144u, 192u}) {
        ChangeDpi(dpi);
        const auto count = static_cast<int>(::SendMessageW(Control(IDC_LANGUAGE), CB_GETCOUNT, 0, 0));
        ASSERT_EQ(count, 8);
        for (int item = 0; item < count; ++item) {
            SCOPED_TRACE(testing::Message() << "DPI " << dpi << ", language item " << item);
            ChooseComboItem(IDC_LANGUAGE, item);
            ShrinkToMinimum();
            (void)ExpectTextsFit();
        }
    }
}

// A text longer than its row can absorb first takes the row's anchor down to
// its minimum, then widens the window's minimum; nothing is clipped.
TEST_F(WindowFitTest, LongTextsShrinkTheRowsAnchorThenWidenTheWindow) {
    Open();
    const std::wstring longText(48, L'W');
    for (const UINT dpi : {96u, 144u, 192u}) {
        ChangeDpi(dpi);
        for (std::size_t row = 0; row < std::size(kRows); ++row) {
            const int id = kRows[row].Buttons.back();
            SCOPED_TRACE(testing::Message() << "DPI " << dpi << ", button " << id);
            ApplyLanguage(state_);  // the texts of the language again
            ShrinkToMinimum();
            const LONG usual = WindowWidth();
            const std::vector<int> usualSlack = ExpectTextsFit();
            const LONG usualWidth = Width(ClientRectOf(id));

            ::SetWindowTextW(Control(id), longText.c_str());
            ShrinkToMinimum();
            EXPECT_GT(WindowWidth(), usual);
            const std::vector<int> slack = ExpectTextsFit();
            // Exact at 96 DPI; at other scales the anchors that follow the
            // content's width also get the frame surplus.
            const int surplus = FrameSurplus();
            EXPECT_LE(slack[row], surplus) << "the anchor gave up all its room first";
            // The window grows by what the button grew beyond the anchor's room.
            EXPECT_NEAR(WindowWidth() - usual, Width(ClientRectOf(id)) - usualWidth - usualSlack[row], surplus);
            for (std::size_t other = 0; other < slack.size(); ++other) {
                if (other != row) {
                    EXPECT_GE(slack[other], usualSlack[other]) << "row " << other;
                }
            }
        }
    }
}

// Wider than the minimum, the buttons keep the widths their texts need and the
// stretching target box takes all the room; the selection label only gets back
// what its buttons had taken from it.
TEST_F(MainWindowTest, ExtraWidthGoesToTheTargetBoxNotTheButtons) {
    Open();
    std::map<int, LONG> widths;
    const int ids[] = {IDC_TARGET,   IDC_REFRESH,    IDC_CHOOSE_TARGET,   IDC_LOG_BUTTON,
                       IDC_LANGUAGE, IDC_ACTION,     IDC_SELECT_ALL,      IDC_CLEAR_SELECTION};
    for (const int id : ids) widths[id] = Width(ClientRectOf(id));
    const LONG summaryWidth = Width(ClientRectOf(IDC_SELECTION_SUMMARY));
    RECT frame{};
    ::GetWindowRect(window_, &frame);
    ::SetWindowPos(window_, nullptr, 0, 0, Width(frame) + 150, Height(frame), SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    for (const int id : ids) {
        SCOPED_TRACE(id);
        EXPECT_EQ(Width(ClientRectOf(id)), widths[id] + (id == IDC_TARGET ? 150 : 0));
    }
    const RECT summary = ClientRectOf(IDC_SELECTION_SUMMARY);
    EXPECT_GE(Width(summary), summaryWidth);
    EXPECT_LE(Width(summary), Width(PlacedDesignRect(state_, IDC_SELECTION_SUMMARY)));
    EXPECT_LT(summary.right, ClientRectOf(IDC_SELECT_OLD_DRIVERS).left);
}

TEST_F(MainWindowTest, NarrowerThanItsContentTheWindowScrollsEverything) {
    Open();
    RECT work{};
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    // A scale at which the content cannot fit the screen, as on a small monitor.
    const UINT dpi = 96u * static_cast<UINT>(Width(work) / state_.Layout.DesignClient.cx + 1);
    ChangeDpi(dpi);
    ASSERT_TRUE(::GetWindowLongPtrW(window_, GWL_STYLE) & WS_HSCROLL);
    RECT client{};
    ::GetClientRect(window_, &client);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    ASSERT_TRUE(::GetScrollInfo(window_, SB_HORZ, &info));
    EXPECT_EQ(info.nMax + 1, state_.Layout.ContentWidth);
    EXPECT_EQ(static_cast<LONG>(info.nPage), client.right);
    ASSERT_GT(state_.Layout.ContentWidth, client.right);
    EXPECT_EQ(state_.Layout.ContentHeight, client.bottom) << "never scrolled vertically";

    const RECT action = ClientRectOf(IDC_ACTION);
    const RECT label = ClientRectOf(IDC_TARGET_LABEL);
    ::SendMessageW(window_, WM_HSCROLL, SB_RIGHT, 0);
    Pump();
    const int offset = state_.Layout.ScrollX;
    EXPECT_EQ(offset, state_.Layout.ContentWidth - client.right);
    EXPECT_EQ(ClientRectOf(IDC_ACTION).left, action.left - offset);
    EXPECT_EQ(ClientRectOf(IDC_TARGET_LABEL).left, label.left - offset);
    ::SendMessageW(window_, WM_HSCROLL, SB_LINELEFT, 0);
    Pump();
    EXPECT_EQ(state_.Layout.ScrollX, offset - Scaled(24, dpi));

    ChangeDpi(96);
    EXPECT_FALSE(::GetWindowLongPtrW(window_, GWL_STYLE) & WS_HSCROLL);
    EXPECT_EQ(state_.Layout.ScrollX, 0);
    EXPECT_NEAR(ClientRectOf(IDC_TARGET_LABEL).left, ::MulDiv(label.left, 96, static_cast<int>(dpi)), 1);
}

// The window opens centred in the work area; the help button follows the end
// of the title's text at every scale and stops short of the language box.
TEST_F(MainWindowTest, OpensCentredAndTheHelpButtonFollowsTheTitleText) {
    Open();
    RECT work{};
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
    RECT frame{};
    ::GetWindowRect(window_, &frame);
    EXPECT_NEAR(frame.left + frame.right, work.left + work.right, 1);
    EXPECT_NEAR(frame.top + frame.bottom, work.top + work.bottom, 1);

    for (const UINT dpi : {96u, 144u}) {
        SCOPED_TRACE(dpi);
        ChangeDpi(dpi);
        const HWND titleControl = Control(IDC_MODE_TITLE);
        const RECT title = ClientRectOf(IDC_MODE_TITLE);
        const RECT help = ClientRectOf(IDC_HELP_BUTTON);
        const LONG side = Width(PlacedDesignRect(state_, IDC_HELP_BUTTON));
        EXPECT_EQ(Width(help), side);
        EXPECT_EQ(Height(help), side);
        EXPECT_EQ(help.left, title.left + ControlTextWidth(titleControl) + Scaled(8, dpi));
        EXPECT_NEAR(help.top + help.bottom, title.top + title.bottom, 1) << "centred on the title";

        const std::wstring saved = WindowTextOf(titleControl);
        ::SetWindowTextW(titleControl, std::wstring(120, L'W').c_str());
        ::GetWindowRect(window_, &frame);
        ::SetWindowPos(window_, nullptr, 0, 0, Width(frame) + 1, Height(frame), SWP_NOMOVE | SWP_NOZORDER);
        Pump();
        EXPECT_EQ(ClientRectOf(IDC_HELP_BUTTON).right, ClientRectOf(IDC_LANGUAGE).left - Scaled(8, dpi));
        ::SetWindowTextW(titleControl, saved.c_str());
    }
}

// A long text sets a row button's width: text, padding and, when a glyph is
// drawn before it, the glyph's room. Icon-font glyphs count only where a font
// has them (Wine has none); drawn glyphs always do.
TEST_F(WindowFitTest, ButtonsMakeRoomForTheGlyphTheyDraw) {
    Open();
    const std::wstring longText(40, L'W');
    for (const UINT dpi : {96u, 144u}) {
        SCOPED_TRACE(dpi);
        ChangeDpi(dpi);
        for (const int id : {IDC_LOG_BUTTON, IDC_CLEAR_SELECTION}) ::SetWindowTextW(Control(id), longText.c_str());
        ShrinkToMinimum();
        const int logGlyph = IconFontHasGlyph(kGlyphLog) ? Scaled(20, dpi) : 0;
        EXPECT_EQ(Width(ClientRectOf(IDC_LOG_BUTTON)),
                  ControlTextWidth(Control(IDC_LOG_BUTTON)) + Scaled(16, dpi) + logGlyph);
        EXPECT_EQ(Width(ClientRectOf(IDC_CLEAR_SELECTION)),
                  ControlTextWidth(Control(IDC_CLEAR_SELECTION)) + Scaled(16, dpi) + Scaled(20, dpi));
        ChooseComboItem(IDC_LANGUAGE, 1);
    }
}
