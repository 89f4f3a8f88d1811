#pragma once
// What the removal confirmation shows and what the user confirms with it: the
// packages that must not go are taken out of the selection, every remaining
// package gets its row and reason, and the message names the risks and how
// Windows will remove the packages.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "operations/removal_review.h"

// One line of the confirmation's list.
struct ConfirmationRow {
    std::wstring Package;  // original INF / published name
    std::wstring Version;
    std::wstring Date;
    std::wstring Size;
    std::wstring Reason;
};

struct RemovalConfirmation {
    std::wstring Refusal;  // why nothing may be removed at all; then nothing else is filled
    std::map<NewerVersionCode, std::uint32_t> Exclusions;  // packages taken out, by code
    std::wstring Text;
    std::vector<ConfirmationRow> Rows;
    bool HasRisks = false;
    RemovalDecision Decision;
};

// Refuses an offline target whose bindings could not be read (unless every
// package of it may go). Otherwise takes every package whose newer-version code
// is not Allowed out of `selection` (unchecking and logging it), judging with
// only the packages that remain kept out, as the worker does; then builds the
// confirmation for the rest from `snapshot`. Text and rows stay empty when
// nothing remains.
RemovalConfirmation PrepareRemovalConfirmation(const RemovalScope& scope, std::vector<DriverPackage*>& selection,
                                               const BindingSnapshot& snapshot,
                                               const std::function<void(const std::wstring&)>& log);

// "The following packages are excluded from removal:" and a line per code.
std::wstring ExclusionMessage(const std::map<NewerVersionCode, std::uint32_t>& exclusions, LangId language);
