#pragma once
// The removal settings (dialog 106).
struct AppState;

// Runs the settings modally over the main window; true when the options were
// saved (AppState then holds them), false when cancelled.
bool ShowSettingsDialog(AppState& state);
