#pragma once
// The header and footer bands of the main window and the dialogs: band colour
// with a one-pixel line where the band meets the window.
#include <windows.h>

// The line is the band's last row.
void DrawHeaderBand(HDC dc, const RECT& band);
// The line is the band's first row.
void DrawFooterBand(HDC dc, const RECT& band);
