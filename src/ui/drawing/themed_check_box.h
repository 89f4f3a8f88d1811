#pragma once
// The check box of the visual theme drawn for a DPI, or the classic one when
// the system has no theme for it.
#include <windows.h>

enum class CheckBoxLook { Unchecked, Checked, Mixed };

// The box's size at `dpi`: the theme's own, else 13 pixels at 96 DPI scaled.
SIZE CheckBoxSize(HWND window, UINT dpi);

// Draws the box into `box`. The classic form has no mixed state of its own: it
// shows an accent square in an unchecked box.
void DrawCheckBox(HDC dc, const RECT& box, CheckBoxLook look, HWND window, UINT dpi);
