#pragma once
// The surface the dialogs paint themselves: window colour, what the dialog
// adds, and the footer band under the buttons; edits show text on white.
#include <windows.h>

#include <functional>

// WM_PAINT: `extra` draws over the background before the band from `footerTop` down.
void PaintDialogSurface(HWND dialog, int footerTop, const std::function<void(HDC)>& extra = nullptr);

// WM_CTLCOLORSTATIC of a read-only edit: primary text on white.
INT_PTR TextOnWhite(WPARAM dc);
