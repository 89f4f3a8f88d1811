#pragma once
// The main window's surface: header and footer bands, the white cards behind
// the details and the bottom panel, the search frame and the control colours.
#include <windows.h>

#include "ui/main_window/app_state.h"

void PaintMainWindow(AppState& state);

// The window's own surface (bands and the mode strip) into any device context;
// WM_PAINT draws it off screen, WM_PRINTCLIENT into the caller's context.
void DrawMainWindowSurface(const AppState& state, HDC dc);

// WM_DRAWITEM of the drawn frames; false for other controls.
bool DrawMainWindowFrame(AppState& state, const DRAWITEMSTRUCT& item);

// WM_CTLCOLOR* of a child: its text colour and what it sits on.
HBRUSH MainWindowControlColour(AppState& state, HDC dc, HWND control, UINT message);
