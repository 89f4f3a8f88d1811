// Fonts per language and DPI, and the DPI helpers with their fallbacks.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/ui_fonts.h"

namespace {

LOGFONTW Described(const FontHandle& font) {
    LOGFONTW description{};
    EXPECT_TRUE(::GetObjectW(font.get(), sizeof(description), &description));
    return description;
}

TEST(DrawingFonts, FacesSizesAndWeightsPerLanguageAndDpi) {
    struct Case {
        LangId Language;
        std::wstring Heading;
        std::wstring Body;
    };
    const Case cases[] = {{1, L"Segoe UI Variable Display", L"Segoe UI"},
                          {2, L"Microsoft YaHei UI", L"Microsoft YaHei UI"},
                          {6, L"Leelawadee UI", L"Leelawadee UI"},
                          {7, L"Yu Gothic UI", L"Yu Gothic UI"}};
    for (const Case& c : cases) {
        for (const UINT dpi : {96u, 144u, 192u}) {
            SCOPED_TRACE(::testing::Message() << "language " << c.Language << " dpi " << dpi);
            MainWindowFonts fonts;
            ASSERT_TRUE(CreateMainWindowFonts(c.Language, dpi, fonts));
            const LOGFONTW body = Described(fonts.Body);
            const LOGFONTW semibold = Described(fonts.BodySemibold);
            const LOGFONTW heading = Described(fonts.Heading);
            const LOGFONTW underlined = Described(fonts.HeadingUnderlined);
            const LOGFONTW details = Described(fonts.DetailsHeading);
            // 9, 15 and 13 points: at 96 DPI 12, 20 and 17 pixels (13 * 96 / 72 rounds up).
            const double scale = dpi / 96.0;
            EXPECT_TRUE(body.lfFaceName == c.Body && semibold.lfFaceName == c.Body);
            EXPECT_TRUE(heading.lfFaceName == c.Heading && underlined.lfFaceName == c.Heading &&
                        details.lfFaceName == c.Heading);
            EXPECT_TRUE(body.lfHeight == -12 * scale && semibold.lfHeight == -12 * scale);
            EXPECT_TRUE(heading.lfHeight == -20 * scale && underlined.lfHeight == -20 * scale);
            EXPECT_EQ(details.lfHeight, dpi == 96 ? -17 : dpi == 144 ? -26 : -35);
            EXPECT_TRUE(body.lfWeight == 400 && semibold.lfWeight == 600 && heading.lfWeight == 600 &&
                        details.lfWeight == 600);
            EXPECT_TRUE(underlined.lfUnderline && !heading.lfUnderline && !body.lfUnderline);
            EXPECT_TRUE(body.lfQuality == CLEARTYPE_NATURAL_QUALITY && body.lfCharSet == DEFAULT_CHARSET);
        }
    }
}

TEST(DrawingFonts, RealisedCharacterHeightFollowsTheDpi) {
    const HDC dc = ::CreateCompatibleDC(nullptr);
    ASSERT_TRUE(dc);
    for (const UINT dpi : {96u, 144u, 192u}) {
        const FontHandle font = CreateUiFont(BodyFace(1), 9, kWeightRegular, false, dpi);
        const HGDIOBJ previous = ::SelectObject(dc, font.get());
        TEXTMETRICW metrics{};
        EXPECT_TRUE(::GetTextMetricsW(dc, &metrics));
        // A negative height asks for the character height, without internal leading.
        EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, static_cast<LONG>(dpi) * 9 / 72) << dpi;
        ::SelectObject(dc, previous);
    }
    ::DeleteDC(dc);
}

UINT WINAPI ReportsHighDpi(HWND) { return 144; }
UINT WINAPI KnowsNoWindow(HWND) { return 0; }

TEST(DrawingDpi, WindowDpiFallsBackToLogicalPixelsThenDefault) {
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    const HDC screen = ::GetDC(nullptr);
    const UINT logicalPixels = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSY));
    ::ReleaseDC(nullptr, screen);

    EXPECT_EQ(WindowDpiUsing(window, ReportsHighDpi), 144u);
    // A system without per-window DPI, or a per-window answer of 0, falls back to
    // the screen's logical pixels instead of handing out a DPI of 0.
    EXPECT_EQ(WindowDpiUsing(window, nullptr), logicalPixels);
    EXPECT_EQ(WindowDpiUsing(window, KnowsNoWindow), logicalPixels);
    EXPECT_GT(WindowDpi(window), 0u);
    ::DestroyWindow(window);
    EXPECT_GT(WindowDpi(nullptr), 0u);

    EXPECT_EQ(ScaleToDpi(16, 144), 24);
    EXPECT_EQ(ScaleToDpi(2, 144), 3);
    EXPECT_EQ(ScaleToDpi(-10, 192), -20);
}

TEST(DrawingDpi, MetricsFrameAndWorkAreaScale) {
    const int scrollBar96 = SystemMetricForDpi(SM_CXVSCROLL, 96);
    EXPECT_GT(scrollBar96, 0);
    EXPECT_NEAR(SystemMetricForDpi(SM_CXVSCROLL, 192), 2 * scrollBar96, 1);

    RECT at96{0, 0, 400, 300};
    RECT at192 = at96;
    ASSERT_TRUE(AdjustWindowRectForDpi(at96, WS_OVERLAPPEDWINDOW, 0, 96));
    ASSERT_TRUE(AdjustWindowRectForDpi(at192, WS_OVERLAPPEDWINDOW, 0, 192));
    EXPECT_GT(at96.bottom - at96.top, 300);
    EXPECT_GT(at192.bottom - at192.top, at96.bottom - at96.top) << "a taller caption at 192 DPI";

    MONITORINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY), &info));
    const RECT work96 = MonitorWorkArea(nullptr, 96);
    const RECT work192 = MonitorWorkArea(nullptr, 192);
    EXPECT_EQ(work96.left, info.rcWork.left + 10);
    EXPECT_EQ(work96.bottom, info.rcWork.bottom - 10);
    EXPECT_EQ(work192.top, info.rcWork.top + 20);
    EXPECT_EQ(work192.right, info.rcWork.right - 20);
}

}  // namespace
