#pragma once
// The action button: the mode's operation, or the cancel request while one runs.
#include "ui/main_window/app_state.h"

void RunModeAction(AppState& state);
