#pragma once
// The verdict of the old-version analysis for one package, and the line that
// explains it to the user.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/localized_text.h"
#include "platform/driver_package.h"

// The numeric values are kept with the cleanup results; only ConfirmedReplacement
// leads to automatic selection.
enum class RemovalReason : int {
    Protected = 0,
    AssociatedWithDevice = 1,
    InsufficientData = 2,
    TargetNotConfirmed = 3,
    NoNewerVersion = 4,
    PossibleReplacement = 5,
    ConfirmedReplacement = 6,
    NewerRemovalDisabled = 7,
    NewerRemovalUnconfirmed = 8,
};

// One package proposed for removal and the package that stays in its place.
struct CleanupCandidate {
    std::size_t OldIndex = 0;          // the package to remove
    std::size_t ReplacementIndex = 0;  // the package that stays
    bool OldDateNewer = false;         // the removed package carries the later date
    bool DifferentInf = false;         // the two original INF names differ
    std::uint64_t MatchedIds = 0;      // hardware IDs of the first package found among the second's
    std::uint64_t IdCount = 0;         // hardware IDs of the first package
    bool HasRunningDevice = false;     // a running device confirms the match
    std::wstring DeviceInstanceId;     // that device
    bool NewerUnused = false;          // the removed package is the newer, unused one
};

// Candidate is meaningful for PossibleReplacement and ConfirmedReplacement only.
struct PackageVerdict {
    RemovalReason Reason = RemovalReason::InsufficientData;
    CleanupCandidate Candidate;
};

// The localized explanation of a verdict: the reason's text and, for a
// replacement that `packages` holds, its name, version and confirming device.
std::wstring DescribeReason(LangId language, const PackageVerdict& verdict, const std::vector<DriverPackage>& packages);
