#pragma once
// The main window's drop-down boxes act on a confirmed choice, not on every
// step the arrow keys take through a closed box: reading a target or switching
// every font is far too heavy for that.
#include <windows.h>

// A closed box acts this long after its selection stopped changing.
inline constexpr UINT kDropDownIdleMs = 600;

// Whether the box's notification confirms its selection now: the choice was
// made in the dropped list, the list closed, or the box lost the focus. A step
// through the closed box (re)starts the idle timer named after the box's id
// instead; the window acts when WM_TIMER brings that id. Acting twice on one
// choice must change nothing.
[[nodiscard]] bool DropDownChoiceConfirmed(HWND window, int id, int code);
