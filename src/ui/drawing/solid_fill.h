#pragma once
// Flat fills drawn with the device context's own brush colour, so painting
// creates no brushes.
#include <windows.h>

void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour);

// Sets up a control's device context from WM_CTLCOLOR*: text colour, transparent
// or opaque text background, and the returned brush painting `background`.
HBRUSH ControlColorBrush(HDC dc, COLORREF text, COLORREF background, bool transparent);
