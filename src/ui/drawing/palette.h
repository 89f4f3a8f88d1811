#pragma once
// The interface's named colours. Every surface the program paints itself takes
// its colours from here: the light palette, or the system's colours while high
// contrast is on. Interface thread only.
#include <windows.h>

struct Palette {
    bool HighContrast = false;
    COLORREF Window;         // window and dialog backgrounds
    COLORREF Band;           // header and footer bands, caption
    COLORREF BandLine;       // line between a band and the window
    COLORREF Muted;          // card shadow, disabled fills, progress background
    COLORREF CardBorder;     // card and disabled button borders
    COLORREF Text;           // primary and caption text
    COLORREF Secondary;      // secondary and disabled text
    COLORREF Accent;         // progress bar, badges
    COLORREF AccentLight;    // badge fill, focused tree selection
    COLORREF Focus;          // focused frames, focus rings
    COLORREF NeutralBorder;  // neutral buttons, window border
    COLORREF Strip;          // segmented control background
    COLORREF StripHover;
    COLORREF StripSelected;
    COLORREF StripSelectedText;
    COLORREF StripText;
    COLORREF StripDisabled;
    COLORREF StripAccent;    // selected segment bar, segment focus ring
    COLORREF Danger;         // danger button, warning mark
    COLORREF White;          // cards, edits, lists
    COLORREF SelectedText;   // text of the focused tree selection
};

constexpr Palette LightPalette() {
    Palette light{};
    light.Window = RGB(248, 249, 249);
    light.Band = RGB(237, 239, 240);
    light.BandLine = RGB(184, 194, 200);
    light.Muted = RGB(235, 239, 240);
    light.CardBorder = RGB(213, 221, 228);
    light.Text = RGB(24, 33, 42);
    light.Secondary = RGB(78, 93, 107);
    light.Accent = RGB(11, 111, 157);
    light.AccentLight = RGB(229, 243, 250);
    light.Focus = RGB(17, 135, 192);
    light.NeutralBorder = RGB(170, 181, 189);
    light.Strip = RGB(48, 53, 57);
    light.StripHover = RGB(60, 67, 71);
    light.StripSelected = RGB(68, 75, 80);
    light.StripSelectedText = RGB(255, 255, 255);
    light.StripText = RGB(230, 235, 238);
    light.StripDisabled = RGB(167, 177, 184);
    light.StripAccent = RGB(106, 203, 246);
    light.Danger = RGB(207, 55, 72);
    light.White = RGB(255, 255, 255);
    light.SelectedText = light.Text;
    return light;
}

using SysColourFunction = DWORD(WINAPI*)(int index);
// The palette of a high-contrast scheme, from the system colours `sysColour`
// gives (GetSysColor, or a stand-in).
Palette HighContrastPalette(SysColourFunction sysColour);

// The palette in use; the names below always read it.
inline Palette g_palette = LightPalette();
void UsePalette(const Palette& palette);

inline const COLORREF& kColorWindow = g_palette.Window;
inline const COLORREF& kColorBand = g_palette.Band;
inline const COLORREF& kColorBandLine = g_palette.BandLine;
inline const COLORREF& kColorMuted = g_palette.Muted;
inline const COLORREF& kColorCardBorder = g_palette.CardBorder;
inline const COLORREF& kColorText = g_palette.Text;
inline const COLORREF& kColorSecondary = g_palette.Secondary;
inline const COLORREF& kColorAccent = g_palette.Accent;
inline const COLORREF& kColorAccentLight = g_palette.AccentLight;
inline const COLORREF& kColorFocus = g_palette.Focus;
inline const COLORREF& kColorNeutralBorder = g_palette.NeutralBorder;
inline const COLORREF& kColorStrip = g_palette.Strip;
inline const COLORREF& kColorStripHover = g_palette.StripHover;
inline const COLORREF& kColorStripSelected = g_palette.StripSelected;
inline const COLORREF& kColorStripSelectedText = g_palette.StripSelectedText;
inline const COLORREF& kColorStripText = g_palette.StripText;
inline const COLORREF& kColorStripDisabled = g_palette.StripDisabled;
inline const COLORREF& kColorStripAccent = g_palette.StripAccent;
inline const COLORREF& kColorDanger = g_palette.Danger;
inline const COLORREF& kColorWhite = g_palette.White;
inline const COLORREF& kColorSelectedText = g_palette.SelectedText;
