#pragma once
// Installation of the checked source packages from the Installation mode:
// question, installation job, refresh of the installed list and summary.
struct AppState;

// Interface thread; the action button of the Installation mode.
void InstallSelected(AppState& state);
