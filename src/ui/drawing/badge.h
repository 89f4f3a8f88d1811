#pragma once
// The small rounded badge that shows a package's size or the version: accent
// text on a light accent fill with an accent border.
#include <windows.h>

#include <string_view>

// Fills the rectangle with `behind` first; the text is centred on one line and
// shortened with an ellipsis when it does not fit.
void DrawBadge(HDC dc, const RECT& rect, std::wstring_view text, HFONT font, COLORREF behind, UINT dpi);
