#pragma once
// Rectangles of dialog controls: where a control sits in its parent's client
// area, moving it there, rescaling remembered rectangles on a DPI change, and
// placing a dialog over its owner inside the monitor's work area.
#include <windows.h>

// The child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, int controlId);
void MoveChild(HWND parent, int controlId, const RECT& rect);

// Every coordinate times numerator / denominator.
RECT ScaleRect(const RECT& rect, int numerator, int denominator);

// The window moved (and shrunk when needed) into `area`, centred over `over`.
void CentreInside(HWND window, const RECT& over, const RECT& area);
// Centred over the owner's window rectangle, inside the owner's work area.
void CentreOverOwner(HWND window, HWND owner);
