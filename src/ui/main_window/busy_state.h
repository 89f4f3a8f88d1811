#pragma once
// The busy switch of the main window and the two ways a running job is
// cancelled: the action button and closing the window.
struct AppState;

// Entering busy clears an old cancel request, shows the progress bar, turns the
// action button into "Cancel", moves the focus there and locks the controls that
// could start or alter work. Leaving it hides the bar, unlocks the controls,
// returns the focus (to the tree when its control is gone) and closes the
// window when the user asked for that while busy.
void SetBusy(AppState& state, bool busy);
// The action button while busy.
void RequestCancel(AppState& state);
// Closing while busy cancels the job and keeps the window until it has ended;
// false when not busy, so the caller closes now.
[[nodiscard]] bool DeferCloseWhileBusy(AppState& state);
