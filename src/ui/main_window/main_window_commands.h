#pragma once
// WM_COMMAND of the main window: what each control does when used.
#include <windows.h>

#include "ui/main_window/app_state.h"

// While an operation runs only Log and the action button (which then cancels) work.
void OnMainWindowCommand(AppState& state, int id, int code);

// Ends the dialog, or while busy cancels and closes once the operation ended.
void CloseMainWindow(AppState& state);
