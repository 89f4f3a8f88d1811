#pragma once
// The frame of every top-level window: round corners and the band, text and
// border colours, asked of the desktop window manager unless high contrast is on.
#include <windows.h>

bool IsHighContrastOn();

// False when the attributes were not applied: high contrast, no desktop window
// manager, or a system that knows none of them.
bool ApplyWindowFrameAttributes(HWND window);
