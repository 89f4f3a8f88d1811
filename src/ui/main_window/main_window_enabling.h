#pragma once
// Which commands the main window offers: the action needs a list that still
// belongs to the chosen target or source and at least one checked package.
#include "core/localized_text.h"
#include "ui/main_window/app_state.h"

// "Create backup", "Remove selected" or "Install selected".
TextId ModeActionText(AppMode mode);

// The path the install source is read from: the archive or the folder.
const std::wstring& InstallSourcePath(const AppState& state);

// The list the mode shows was read from the target or source now chosen.
bool IsShownListCurrent(const AppState& state);

// "Select old drivers": Removal only, with an installed list, not while busy.
void UpdateOldDriversButton(AppState& state);
