#pragma once
// Small pictures drawn with lines on a 20 x 20 grid for the owner-drawn buttons,
// anti-aliased by rendering at four times the size.
#include <windows.h>

enum class LineGlyph {
    SquareMinus,  // clear selection
    SquareCheck,  // select all
    ClockArrow,   // select old drivers
    TrayDown,     // backup
    WasteBin,     // removal
    ChipDown,     // installation
    StopSquare,   // stop a running job
    Cross,        // close
};

// Draws the glyph in `colour` into the largest square centred in `area`;
// false when nothing could be drawn.
bool DrawLineGlyph(HDC dc, const RECT& area, LineGlyph glyph, COLORREF colour);
