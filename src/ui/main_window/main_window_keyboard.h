#pragma once
// What every child control of the main window does besides its own work: F1
// for the about box, Ctrl+F to the search box, Esc that empties a query instead
// of closing, the wheel over the details card, and the hover of the title and
// help button.
#include "ui/main_window/app_state.h"

// Subclasses every child; each removes its subclass when it is destroyed.
void InstallControlSubclasses(AppState& state);

// Focuses the search box with its text selected.
void FocusSearchBox(AppState& state);

// A wheel turn at `screenPoint` over the details card scrolls the pane.
bool WheelOverDetails(AppState& state, POINT screenPoint, int wheelDelta);
