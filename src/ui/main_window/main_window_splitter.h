#pragma once
// The gap between the tree and the details card: dragging it moves the
// boundary, within both sides' minimum widths.
#include <windows.h>

#include "ui/main_window/app_state.h"

// WM_SETCURSOR of the window: the sizing arrow over the gap.
bool SetSplitterCursor(AppState& state);
// Mouse messages of the window itself; true when the splitter took them.
bool OnSplitterButtonDown(AppState& state, POINT client);
bool OnSplitterMove(AppState& state, POINT client);
void EndSplitterDrag(AppState& state);
