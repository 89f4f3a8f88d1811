#pragma once
// The target Windows box: the running Windows and offline installations, the
// one chosen, and folders the user adds with Choose….
#include <string>

#include "ui/main_window/app_state.h"

// Fills the box and selects the target matching the chosen root and kind
// (else the first); without targets it explains what to do and nothing is chosen.
void FillTargetBox(AppState& state);

// The labels follow the interface language.
void RelabelTargets(AppState& state);

// The user picked another entry: the list shown belongs to the old target, so
// it goes; nothing is read until Refresh. The entry already chosen changes nothing.
void TakeTargetFromBox(AppState& state);

// Choose…: a folder picker, then ChooseOfflineWindows.
void ChooseTargetFolder(AppState& state);

// A chosen folder that holds an installed Windows becomes the target (added to
// the list when new) and is read at once.
void ChooseOfflineWindows(AppState& state, const std::wstring& folder);
