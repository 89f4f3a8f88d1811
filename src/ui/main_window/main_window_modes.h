#pragma once
// The three modes of the main window and what each shows in the shared
// controls; Installation has a list of its own.
#include <string>

#include "ui/main_window/app_state.h"

// Enters `mode`. Leaving or entering Installation swaps the lists: the live
// tree's view is kept for the list left and the one entered gets its own back.
void SwitchMode(AppState& state, AppMode mode);

// The segment of the current mode is kept pushed, so that accessibility reports
// it as pressed, and the others released. A button releases itself when a press
// ends, so this runs again after every press, finished or cancelled.
void MarkSelectedModeButton(const AppState& state);

// The folder or archive the path box shows and edits in the current mode.
std::wstring& PathField(AppState& state);

// The path box and Browse (not in Removal without an emergency backup) and the
// 7z check box (not without 7-Zip, except in Removal); nothing while busy.
void UpdatePathControls(AppState& state);
