#pragma once
// The result of an automatic selection stays on the status line until the user
// changes checks, the mode or the list.
struct AppState;

// Replaces a sticky result with "Ready"; anything else on the line stays.
void ResetStickyStatus(AppState& state);
