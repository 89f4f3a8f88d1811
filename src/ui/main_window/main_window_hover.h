#pragma once
// The title and the help button beside it: pointing at either underlines the
// title and shows the button; shortly after leaving both, the button hides.
#include <windows.h>

#include "ui/main_window/app_state.h"

inline constexpr UINT_PTR kHelpHideTimer = 0x48454C50;

// `control` is the title or the help button.
void OnHoverMove(AppState& state, HWND control);
void OnHoverLeave(AppState& state, HWND control);
void OnHelpHideTimer(AppState& state);
// A job starts: no hover, no help button.
void EndTitleHover(AppState& state);
