#pragma once
// Which stored removal permission applies to a target.
#include "core/settings.h"
#include "platform/target_windows.h"

// The manual "remove all" permission of the target's kind.
bool ManualRemoveAllEnabled(const RemovalOptions& options, const TargetWindows& target);
