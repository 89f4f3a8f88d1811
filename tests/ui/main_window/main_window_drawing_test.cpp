// What the main window paints itself, read back from bitmaps: the bands and
// the dark mode strip at two scales, the mode segments following the mode,
// and the action and selection buttons in the colours of mode and state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sample_windows.h"
#include "tests/ui/drawing_canvas.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/details/details_pane.h"
#include "ui/drawing/palette.h"
#include "ui/main_window/busy_state.h"
#include "ui/main_window/main_window_colours.h"
#include "ui/main_window/main_window_controls.h"

namespace {

using test::MainWindowTest;

// A control paints itself (owner-drawn ones through the window's WM_DRAWITEM)
// into a bitmap of its own size.
class ControlImage {
public:
    explicit ControlImage(HWND control) : canvas_(Size(control).cx, Size(control).cy, RGB(1, 2, 3)) {
        ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas_.Dc()), PRF_CLIENT);
    }
    const DrawingCanvas& Canvas() const { return canvas_; }
    COLORREF At(int x, int y) const { return canvas_.At(x, y); }

private:
    static SIZE Size(HWND control) {
        RECT r{};
        ::GetClientRect(control, &r);
        return {r.right, r.bottom};
    }
    DrawingCanvas canvas_;
};

}  // namespace

TEST_F(MainWindowTest, SurfaceHasItsBandsAndTheModeStripAtEveryScale) {
    Open();
    for (const UINT dpi : {96u, 144u}) {
        SCOPED_TRACE(dpi);
        ChangeDpi(dpi);
        RECT client{};
        ::GetClientRect(window_, &client);
        DrawingCanvas surface(client.right, client.bottom, RGB(1, 2, 3));
        ASSERT_TRUE(surface.Valid());
        ::SendMessageW(window_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.Dc()), PRF_CLIENT);
        const auto scaled = [&](int value) { return ::MulDiv(value, static_cast<int>(dpi), 96); };

        const RECT target = ClientRectOf(IDC_TARGET_LABEL);
        const int headerEnd = target.top - scaled(5);
        const int middle = client.right / 2;
        EXPECT_TRUE(ColourIs(surface.At(middle, 0), kColorBand, 0));
        EXPECT_TRUE(ColourIs(surface.At(middle, headerEnd - 1), kColorBandLine, 0)) << "the header's last row";
        EXPECT_TRUE(ColourIs(surface.At(middle, headerEnd), kColorWindow, 0));

        const RECT action = ClientRectOf(IDC_ACTION);
        const int footerStart = action.top - scaled(4);
        EXPECT_TRUE(ColourIs(surface.At(middle, footerStart - 1), kColorWindow, 0));
        EXPECT_TRUE(ColourIs(surface.At(middle, footerStart), kColorBandLine, 0)) << "the footer's first row";
        EXPECT_TRUE(ColourIs(surface.At(middle, client.bottom - 1), kColorBand, 0));

        // The strip reaches 6 pixels left of the first mode button and 2 above
        // and below it, and ends at the details card's right edge.
        const RECT first = ClientRectOf(IDC_MODE_BACKUP);
        const RECT card = ClientRectOf(IDC_DETAILS_FRAME);
        const int stripMiddle = (first.top + first.bottom) / 2;
        EXPECT_TRUE(ColourIs(surface.At(first.left - scaled(6) + 1, stripMiddle), kColorStrip, 2));
        EXPECT_TRUE(ColourIs(surface.At(first.left - scaled(6) - 1, stripMiddle), kColorWindow, 0));
        EXPECT_TRUE(ColourIs(surface.At(card.right - 2, stripMiddle), kColorStrip, 2));
        EXPECT_TRUE(ColourIs(surface.At(card.right + 1, stripMiddle), kColorWindow, 0));
        EXPECT_TRUE(ColourIs(surface.At(middle, first.top - scaled(2)), kColorStrip, 2));
        EXPECT_TRUE(ColourIs(surface.At(middle, first.top - scaled(2) - 1), kColorWindow, 0));
        EXPECT_TRUE(ColourIs(surface.At(middle, first.bottom + scaled(2) - 1), kColorStrip, 2));
        EXPECT_TRUE(ColourIs(surface.At(middle, first.bottom + scaled(2)), kColorWindow, 0));
    }
}

TEST_F(MainWindowTest, ModeSegmentsAndActionButtonFollowModeAndBusyState) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    Open();
    ChooseTarget(root);
    ASSERT_FALSE(state_.Installed.empty());

    // The selected segment carries the accent bar; Settings never does.
    const auto barShown = [&](int id) {
        const ControlImage image(Control(id));
        const int w = image.Canvas().Width();
        const int h = image.Canvas().Height();
        EXPECT_TRUE(ColourIs(image.At(0, h / 2), kColorStrip, 2)) << id << " lies on the strip";
        return static_cast<bool>(ColourIs(image.At(w / 2, h - 1), kColorStripAccent, 2));
    };
    // An interior point left of the centred glyph and text, below the top border.
    const auto fill = [&](int id) {
        const ControlImage image(Control(id));
        return image.At(::MulDiv(4, static_cast<int>(state_.Dpi), 96), image.Canvas().Height() / 2);
    };

    struct ModeLook {
        int Button;
        bool Danger;
    };
    for (const ModeLook mode : {ModeLook{IDC_MODE_REMOVAL, true}, ModeLook{IDC_MODE_INSTALLATION, false},
                                ModeLook{IDC_MODE_BACKUP, false}}) {
        SCOPED_TRACE(mode.Button);
        Click(mode.Button);
        for (const int id : {IDC_MODE_BACKUP, IDC_MODE_REMOVAL, IDC_MODE_INSTALLATION, IDC_SETTINGS}) {
            EXPECT_EQ(barShown(id), id == mode.Button) << id;
            // Pushed, so that accessibility reports the selected segment as pressed.
            const auto pushed = ::SendMessageW(Control(id), BM_GETSTATE, 0, 0) & BST_PUSHED;
            EXPECT_EQ(pushed != 0, id == mode.Button) << id;
        }
        if (mode.Button == IDC_MODE_INSTALLATION) continue;  // nothing was read from a source
        Click(IDC_SELECT_ALL);
        ASSERT_TRUE(Enabled(IDC_ACTION));
        const COLORREF action = fill(IDC_ACTION);
        if (mode.Danger) {
            EXPECT_GT(GetRValue(action), 150);
            EXPECT_LT(GetGValue(action), 90);
        } else if (mode.Button == IDC_MODE_BACKUP) {
            // Primary: pale blue between its top fill and the accent light.
            EXPECT_TRUE(ColourIs(action, RGB(240, 248, 252), 12));
        }
    }

    // A press on the selected segment releases it for a moment only.
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP})
        ::SendMessageW(Control(IDC_MODE_BACKUP), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(2, 2));
    Pump();
    EXPECT_TRUE(::SendMessageW(Control(IDC_MODE_BACKUP), BM_GETSTATE, 0, 0) & BST_PUSHED);

    // While busy the action button cancels: primary even in Removal.
    Click(IDC_MODE_REMOVAL);
    ASSERT_GT(GetRValue(fill(IDC_ACTION)), 150);
    SetBusy(state_, true);
    EXPECT_TRUE(ColourIs(fill(IDC_ACTION), RGB(240, 248, 252), 12));
    SetBusy(state_, false);
    EXPECT_GT(GetRValue(fill(IDC_ACTION)), 150);

    // Neutral buttons are pale grey; a disabled one is flat muted.
    EXPECT_TRUE(ColourIs(fill(IDC_SELECT_ALL), RGB(240, 242, 242), 12));
    Click(IDC_MODE_INSTALLATION);
    ASSERT_FALSE(Enabled(IDC_ACTION)) << "nothing was read from the source yet";
    EXPECT_TRUE(ColourIs(fill(IDC_ACTION), kColorMuted, 1));
}

TEST_F(MainWindowTest, SizeBadgeIsAnAccentPillOnTheCard) {
    Open();
    DriverPackage package;
    package.PublishedName = L"oem4.inf";
    package.OriginalInfName = L"qtgfx.inf";
    package.SizeBytes = 5 * 1024 * 1024;
    ShowPackageDetails(state_, package);
    const ControlImage badge(Control(IDC_DETAILS_BADGE));
    const int w = badge.Canvas().Width();
    const int h = badge.Canvas().Height();
    EXPECT_TRUE(ColourIs(badge.At(w / 2, 0), kColorAccent, 12)) << "border";
    EXPECT_TRUE(ColourIs(badge.At(2, h / 2), kColorAccentLight, 4)) << "fill";
    bool text = false;
    for (int x = w / 4; x < w * 3 / 4 && !text; ++x)
        text = static_cast<bool>(ColourIs(badge.At(x, h / 2), kColorAccent, 40));
    EXPECT_TRUE(text) << "the size in accent colour";
}

namespace {

double Luminance(COLORREF colour) {
    const auto linear = [](int channel) {
        const double s = channel / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(GetRValue(colour)) + 0.7152 * linear(GetGValue(colour)) +
           0.0722 * linear(GetBValue(colour));
}

double Contrast(COLORREF a, COLORREF b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

TEST_F(MainWindowTest, TreeSelectionStandsOutFromTheCardAndShowsTheFocus) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    Open();
    ChooseTarget(root);
    HWND tree = Control(IDC_PACKAGE_TREE);
    const HTREEITEM selected = TreeView_GetSelection(tree);
    ASSERT_TRUE(selected);
    RECT row{};
    ASSERT_TRUE(TreeView_GetItemRect(tree, selected, &row, FALSE));

    for (const bool focused : {true, false}) {
        SCOPED_TRACE(focused ? "focused" : "not focused");
        ::SetFocus(focused ? tree : Control(IDC_SEARCH));
        ASSERT_EQ(::GetFocus() == tree, focused);
        const ControlImage image(tree);
        const int right = image.Canvas().Width() - 1;
        const int middle = (row.top + row.bottom) / 2;
        // The frame at the row's right end, beside the fill.
        EXPECT_GE(Contrast(image.At(right, middle), kColorWhite), 3.0);
        EXPECT_GE(Contrast(image.At(right - 6, row.top), kColorWhite), 3.0);
        const COLORREF fill = image.At(right - 4, middle);
        EXPECT_TRUE(ColourIs(fill, focused ? kColorAccentLight : kColorMuted, 0));
        // The focus cue: a dotted line two pixels inside the frame.
        int cue = 0;
        for (int x = right - 16; x < right - 2; ++x) cue += image.At(x, row.top + 2) != fill;
        EXPECT_EQ(cue > 0, focused) << cue;
    }
}

namespace {

// A high-contrast scheme of colours no light surface uses.
DWORD WINAPI SchemeColour(int index) {
    switch (index) {
    case COLOR_WINDOW: return RGB(0, 0, 0);
    case COLOR_WINDOWTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(10, 20, 30);
    case COLOR_BTNTEXT: return RGB(250, 240, 230);
    case COLOR_HIGHLIGHT: return RGB(26, 235, 255);
    case COLOR_HIGHLIGHTTEXT: return RGB(5, 6, 7);
    case COLOR_GRAYTEXT: return RGB(63, 242, 63);
    default: return RGB(128, 0, 128);
    }
}

}  // namespace

TEST_F(MainWindowTest, HighContrastPaintsWithTheSystemColours) {
    const std::wstring root = BuildOffline(sim::SampleDemoWindows());
    Open();
    ChooseTarget(root);
    const auto surfaceAt = [&](int x, int y) {
        RECT client{};
        ::GetClientRect(window_, &client);
        DrawingCanvas surface(client.right, client.bottom, RGB(1, 2, 3));
        ::SendMessageW(window_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.Dc()), PRF_CLIENT);
        return surface.At(x, y);
    };
    const RECT card = ClientRectOf(IDC_DETAILS_FRAME);
    const int middle = (card.left + card.right) / 2;

    ApplyPalette(state_, HighContrastPalette(SchemeColour));
    EXPECT_TRUE(ColourIs(surfaceAt(middle, 0), SchemeColour(COLOR_BTNFACE))) << "header band";
    EXPECT_TRUE(ColourIs(surfaceAt(card.left - 2, card.bottom + 2), SchemeColour(COLOR_WINDOW))) << "window";
    {
        const ControlImage frame(Control(IDC_DETAILS_FRAME));
        EXPECT_TRUE(ColourIs(frame.At(frame.Canvas().Width() / 2, frame.Canvas().Height() / 2),
                             SchemeColour(COLOR_WINDOW)))
            << "card";
    }
    {
        const ControlImage segment(Control(IDC_MODE_BACKUP));
        EXPECT_TRUE(ColourIs(segment.At(segment.Canvas().Width() / 2, 2), SchemeColour(COLOR_HIGHLIGHT), 2))
            << "selected segment";
        const ControlImage other(Control(IDC_MODE_REMOVAL));
        EXPECT_TRUE(ColourIs(other.At(2, other.Canvas().Height() / 2), SchemeColour(COLOR_BTNFACE), 2));
    }
    {
        const ControlImage button(Control(IDC_SELECT_ALL));
        EXPECT_TRUE(ColourIs(button.At(::MulDiv(4, static_cast<int>(state_.Dpi), 96), button.Canvas().Height() / 2),
                             SchemeColour(COLOR_BTNFACE), 2))
            << "buttons";
    }
    HWND tree = Control(IDC_PACKAGE_TREE);
    ::SetFocus(tree);
    RECT row{};
    ASSERT_TRUE(TreeView_GetItemRect(tree, TreeView_GetSelection(tree), &row, FALSE));
    {
        const ControlImage image(tree);
        EXPECT_TRUE(ColourIs(image.At(image.Canvas().Width() - 4, (row.top + row.bottom) / 2),
                             SchemeColour(COLOR_HIGHLIGHT)))
            << "tree selection";
        EXPECT_TRUE(ColourIs(image.At(image.Canvas().Width() - 4, row.bottom + 4), SchemeColour(COLOR_WINDOW)));
    }

    // Back to the light palette when high contrast ends.
    ApplyPalette(state_, LightPalette());
    EXPECT_TRUE(ColourIs(surfaceAt(middle, 0), kColorBand));
    EXPECT_TRUE(ColourIs(ControlImage(Control(IDC_DETAILS_FRAME)).At(card.right - card.left - 20, 40), kColorWhite));
}
