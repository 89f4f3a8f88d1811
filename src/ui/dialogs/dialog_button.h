#pragma once
// The owner-drawn push buttons of the dialogs: hover tracking and painting in
// the button style of the interface.
#include <windows.h>

#include "ui/drawing/owner_drawn_button.h"

// Repaints the button when the pointer enters or leaves it.
void TrackButtonHover(HWND button);
bool IsButtonHovered(HWND button);

// WM_DRAWITEM of a drawn button in `look` (its state is taken from the item):
// its own text and font, at `dpi`.
void DrawButtonItem(const DRAWITEMSTRUCT& item, ButtonLook look, const ButtonGlyph& glyph, UINT dpi);

// WM_DRAWITEM of a dialog button: its own text and font, on `behind`.
void DrawDialogButton(const DRAWITEMSTRUCT& item, ButtonKind kind, COLORREF behind,
                      const ButtonGlyph& glyph = ButtonGlyph{});
