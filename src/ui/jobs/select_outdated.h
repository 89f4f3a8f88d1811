#pragma once
// "Select old drivers" of the Removal mode: checks the packages that a fresh
// look at the target's devices shows to be outdated, and says why.
struct AppState;

void SelectOutdatedDrivers(AppState& state);
