#pragma once
// The about box (dialog 103).
struct AppState;

// Runs the about box modally over the main window, first tab selected.
void ShowAboutDialog(AppState& state);
