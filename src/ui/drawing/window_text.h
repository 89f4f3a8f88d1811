#pragma once
// Reading a control's text and measuring text in the font a control shows.
#include <windows.h>

#include <string>
#include <string_view>

std::wstring WindowTextOf(HWND window);

// Width of one line of `text` in `font`, or in the control's own font when
// `font` is null; 0 without a control.
int TextWidthIn(HWND control, HFONT font, std::wstring_view text);

// Height of a line of the control's own font.
int LineHeightIn(HWND control);
