#pragma once
// The modeless Log window (dialog 102): 7-Zip state, the package report of the
// loaded list and the events of this run.
struct AppState;

// Creates the window, or brings an open one to the front.
void ShowLogWindow(AppState& state);
// Rebuilds the whole text of an open window; does nothing when it is closed.
void RefreshLogWindow(AppState& state);
