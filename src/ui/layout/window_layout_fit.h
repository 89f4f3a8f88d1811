#pragma once
// Text fitting of the layout engine: buttons widened to their texts in the
// current language, and the extra window width that needs.
#include <windows.h>

#include <map>

#include "ui/main_window/app_state.h"

// Control rectangles of one layout pass, in content pixels before scrolling.
using PlacedRects = std::map<int, RECT>;

// How much wider than the scaled design the content must be so that every
// button row fits its texts without squeezing its anchor control below its
// minimum.
int ExtraWidthForTexts(const AppState& state);

// Widens the buttons of the rows (Browse beside the path box among them), the
// mode segments and Settings to their texts, sizes the "Search" label and puts
// the search box in its frame; lines the top rows up with their drop-down boxes.
void FitTexts(const AppState& state, PlacedRects& placed);
