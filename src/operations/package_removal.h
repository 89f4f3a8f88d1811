#pragma once
// The removal worker: re-checks the confirmed decision against a fresh binding
// snapshot, then removes the selection package by package from the running
// Windows (SetupUninstallOEMInfW) or from an offline one (DismRemoveDriver).
#include <cstdint>
#include <vector>

#include "core/operation_callbacks.h"
#include "operations/removal_review.h"
#include "platform/dism_session.h"

struct RemovalResult {
    std::uint32_t Removed = 0;
    std::uint32_t Errors = 0;
    std::uint64_t LogicalSize = 0;  // sizes of the removed packages; an overflowing addition is skipped
    std::uint64_t FreeBefore = 0;   // free bytes on the target's volume
    std::uint64_t FreeAfter = 0;
    bool FreeBeforeMeasured = false;
    bool FreeAfterMeasured = false;
};

// Worker body. Throws a runtime error with text 229 (removing nothing) when the
// bindings no longer support `decision`, with text 260 when an offline Windows
// would have to be changed without known bindings, the session's error when an offline
// image cannot be opened, and OperationCancelled when cancelled before the
// first package. A cancel between packages ends the loop after the package in
// hand. A newer unused package is checked once more just before its turn.
void RemovePackages(const std::vector<DriverPackage*>& selection, const RemovalScope& scope,
                    const RemovalDecision& decision, DismSession& dism, const OperationCallbacks& callbacks,
                    RemovalResult& result);
