#pragma once
// Every text of the main window in the interface language.
#include "ui/main_window/app_state.h"

// Explanations, fixed texts, the cue text, target labels, the language box and
// accessible names follow the language; then the mode's controls.
void ApplyLanguage(AppState& state);

// The language box chose another language: stored for the next run, fonts
// for its script, every text again.
void TakeLanguageFromBox(AppState& state);
