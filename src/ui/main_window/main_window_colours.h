#pragma once
// The main window's colours follow the system's: the light palette, or the
// system colours while high contrast is on, switched while the program runs.
#include "ui/drawing/palette.h"
#include "ui/main_window/app_state.h"

// WM_SYSCOLORCHANGE and a changed high-contrast setting: takes the palette the
// system asks for now.
void FollowSystemColours(AppState& state);

// Paints everything anew in `palette`: brushes, the tree, the progress bar and
// the check images take its colours, then the whole window repaints.
void ApplyPalette(AppState& state, const Palette& palette);
