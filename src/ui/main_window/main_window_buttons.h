#pragma once
// The main window's owner-drawn buttons: the push buttons with their glyphs,
// the mode segments with Settings on the dark strip, and the help button.
#include <windows.h>

#include "ui/drawing/owner_drawn_button.h"
#include "ui/main_window/app_state.h"

// Hover tracking for every drawn push button and segment.
void TrackMainWindowButtonHover(const AppState& state);

// WM_DRAWITEM of a drawn button; false for other controls.
bool DrawMainWindowButton(const AppState& state, const DRAWITEMSTRUCT& item);

// The strip behind the mode segments, in client coordinates.
RECT ModeStripRect(const AppState& state);

// What a push button shows before its text in the current mode and busy state.
ButtonGlyph MainWindowButtonGlyph(const AppState& state, int controlId);
