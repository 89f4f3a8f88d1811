#pragma once
// WM_COMMAND of the main window: what each control does when used.
#include <windows.h>

#include "ui/main_window/app_state.h"

// While an operation runs only Log and the action button (which then cancels) work.
void OnMainWindowCommand(AppState& state, int id, int code);

// A drop-down's idle timer: the arrow keys stopped, its selection is taken.
// False for other timers.
bool OnDropDownIdle(AppState& state, UINT_PTR timer);

// Ends the dialog, or while busy cancels and closes once the operation ended.
void CloseMainWindow(AppState& state);
