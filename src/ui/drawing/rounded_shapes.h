#pragma once
// Anti-aliased rounded rectangles (filled with a vertical gradient, or outline
// only) and the white card built from them. A rounded shape is given by the
// corner ellipse size of the system's rounded rectangle: the radius is half of it.
#include <windows.h>

// Rows run from `top` to `bottom` colour; the one-pixel border is blended in.
// Falls back to DrawPlainRoundedRect when no bitmap can be made.
void DrawRoundedRect(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom, COLORREF border, int ellipse);

// Only the one-pixel border; what lies inside stays as it is.
void DrawRoundedOutline(HDC dc, const RECT& rect, COLORREF border, int ellipse);

// The system's rounded rectangle without anti-aliasing, in one fill colour.
void DrawPlainRoundedRect(HDC dc, const RECT& rect, COLORREF fill, COLORREF border, int ellipse);

// A white card with a border and a muted shadow below it, on window colour.
void DrawCard(HDC dc, const RECT& rect, UINT dpi);
