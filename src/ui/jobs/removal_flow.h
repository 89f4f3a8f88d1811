#pragma once
// Removal of the checked packages from the Removal mode: binding check,
// exclusions, confirmation, emergency backup, the removal job and its summary.
#include <vector>

#include "analysis/binding_snapshot.h"
#include "operations/removal_review.h"

struct AppState;

// Interface thread; the action button of the Removal mode.
void RemoveSelected(AppState& state);

// Takes the packages that must not go out of `selection` (and unchecks them),
// shows the confirmation and asks about the risks it names; true when the
// user confirmed `decision`. False after saying why when nothing may go at all.
bool ConfirmRemoval(AppState& state, std::vector<DriverPackage*>& selection, const BindingSnapshot& snapshot,
                    RemovalDecision& decision);
