#pragma once
// Glyphs taken from the system's icon fonts, used only where such a font really
// exists and holds the glyph; otherwise nothing is drawn.
#include <windows.h>

#include <span>

#include "ui/drawing/gdi_handles.h"

inline constexpr wchar_t kGlyphLog = 0xE8FD;
inline constexpr wchar_t kGlyphRefresh = 0xE72C;
inline constexpr wchar_t kGlyphBrowse = 0xE838;

// The first of `faces` that the created font really has and that has a glyph
// for `codePoint`, `height` pixels high; empty when none qualifies.
FontHandle OpenGlyphFont(HDC dc, std::span<const wchar_t* const> faces, int height, wchar_t codePoint);

// The icon font ("Segoe Fluent Icons", else "Segoe MDL2 Assets") sized for a
// glyph square of `side` pixels; empty when neither has the glyph.
FontHandle OpenIconFont(HDC dc, int side, wchar_t codePoint);

// Whether an icon font has the glyph on this system; looked up once per code point.
bool IconFontHasGlyph(wchar_t codePoint);

// Draws the glyph centred in `square` with a font from OpenIconFont.
void DrawIconGlyph(HDC dc, const RECT& square, HFONT iconFont, wchar_t codePoint, COLORREF colour);
