#include "ui/drawing/palette.h"

Palette HighContrastPalette(SysColourFunction sysColour) {
    const COLORREF window = sysColour(COLOR_WINDOW);
    const COLORREF text = sysColour(COLOR_WINDOWTEXT);
    const COLORREF face = sysColour(COLOR_BTNFACE);
    const COLORREF faceText = sysColour(COLOR_BTNTEXT);
    const COLORREF highlight = sysColour(COLOR_HIGHLIGHT);
    const COLORREF highlightText = sysColour(COLOR_HIGHLIGHTTEXT);
    Palette scheme{};
    scheme.HighContrast = true;
    scheme.Window = window;
    scheme.White = window;
    scheme.Band = face;
    scheme.Muted = face;
    scheme.BandLine = text;
    scheme.CardBorder = text;
    scheme.NeutralBorder = text;
    scheme.Text = text;
    scheme.Secondary = text;
    scheme.Danger = text;
    // Badges and the focused selection are drawn as the system draws a selection.
    scheme.AccentLight = highlight;
    scheme.Accent = highlightText;
    scheme.SelectedText = highlightText;
    scheme.Focus = highlight;
    scheme.Strip = face;
    scheme.StripHover = face;
    scheme.StripText = faceText;
    scheme.StripDisabled = sysColour(COLOR_GRAYTEXT);
    scheme.StripSelected = highlight;
    scheme.StripSelectedText = highlightText;
    scheme.StripAccent = faceText;
    return scheme;
}

void UsePalette(const Palette& palette) { g_palette = palette; }
