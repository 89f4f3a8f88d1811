#pragma once
// How removal judges a selection: the same checks before the confirmation and
// again on the worker, so that the worker can tell whether anything the user
// confirmed has changed since.
#include <cstddef>
#include <string>
#include <vector>

#include "analysis/binding_snapshot.h"
#include "analysis/inf_name_set.h"
#include "analysis/newer_version_check.h"
#include "analysis/removal_risk_assessment.h"
#include "core/localized_text.h"
#include "core/settings.h"
#include "platform/driver_package.h"
#include "platform/target_windows.h"

// The installed list a selection points into, and what it is judged against.
struct RemovalScope {
    const std::vector<DriverPackage>& Installed;
    TargetWindows Target;
    RemovalOptions Options;
    LangId Language = 1;
};

// What the user confirmed: the risks shown, the packages shown as newer unused
// versions (removed without force), the selected packages a device used, and
// whether the bindings behind all that could be read at all.
struct RemovalDecision {
    RemovalRiskMap ConfirmedRisks;
    InfNameSet ConfirmedNewerUnused;
    InfNameSet ConfirmedInUse;
    bool BindingsVerified = true;
};

// File-name parts of the selection's published names.
InfNameSet SelectedNames(const std::vector<DriverPackage*>& selection);

// Position of a selected package in the installed list it points into.
std::size_t IndexInList(const std::vector<DriverPackage>& installed, const DriverPackage* package);

// The binding snapshot removal takes, with the running system's risk facts.
BindingSnapshot TakeRemovalSnapshot(const RemovalScope& scope, const InfNameSet& selectedNames);

// The newer-version check over the whole installed list, with the selection
// kept out of the older versions that may confirm.
std::vector<NewerVersionVerdict> CheckSelectionVersions(const RemovalScope& scope, const InfNameSet& selectedNames,
                                                        const InfNameSet& usedInfs,
                                                        const std::vector<DeviceBinding>& bindings,
                                                        bool bindingsVerified);

// The risks of removing the selection; nothing while risk warnings are off.
RemovalRiskMap AssessSelectionRisks(const RemovalScope& scope, const InfNameSet& selectedNames,
                                    const BindingSnapshot& snapshot);

// True when bindings confirmed as read can no longer be read (unless every
// package of the target may go), or a package of the selection is no longer
// removable, carries a risk that was not confirmed, gained or lost its
// newer-version candidate, or gained or lost a device.
bool DecisionOutdated(const RemovalScope& scope, const std::vector<DriverPackage*>& selection,
                      const BindingSnapshot& snapshot, const std::vector<NewerVersionVerdict>& verdicts,
                      const RemovalRiskMap& risks, const RemovalDecision& decision);

// Whether removal forces packages out: not a newer unused version, and the
// bindings were read or the user allowed every package of the target to go.
// Without known bindings Windows itself must be left to refuse packages in use.
bool RemovalForced(const RemovalScope& scope, const RemovalDecision& decision, bool newerUnused);

// The risk's localized text, and whether it may leave Windows unbootable.
std::wstring RemovalRiskText(LangId language, RemovalRisk risk);
bool IsCriticalRisk(RemovalRisk risk, const DriverPackage& package);
