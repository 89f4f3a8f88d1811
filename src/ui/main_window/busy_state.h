#pragma once
// The busy switch of the main window and the two ways a running job is
// cancelled: the action button and closing the window.
struct AppState;

// Entering busy clears an old cancel request, shows the progress bar, locks the
// controls that could start or alter work and turns the action button into
// "Cancel". Leaving it hides the bar, unlocks the controls and closes the window
// when the user asked for that while busy.
void SetBusy(AppState& state, bool busy);
// The action button while busy.
void RequestCancel(AppState& state);
// Closing while busy cancels the job and keeps the window until it has ended;
// false when not busy, so the caller closes now.
[[nodiscard]] bool DeferCloseWhileBusy(AppState& state);
