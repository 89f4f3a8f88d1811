#pragma once
// The work behind the Removal mode's "Select old drivers": a fresh binding
// snapshot, the automatic selection over the installed list, the check marks, the
// log lines and the summary. The window starts the job, then shows what the
// finishing step returns; nothing here touches a window.
#include <functional>
#include <string>
#include <vector>

#include "analysis/binding_snapshot.h"
#include "analysis/cleanup_candidates.h"
#include "core/localized_text.h"
#include "core/operation_callbacks.h"
#include "core/settings.h"
#include "platform/driver_package.h"
#include "platform/target_windows.h"

// The texts of a run: with either removal setting on, the selection looks for
// everything removable rather than for old versions only.
struct OutdatedSelectionTexts {
    TextId Progress = 0;      // shown at 10 % while the job runs
    TextId ResultPrefix = 0;  // starts the summary
    TextId NothingFoundStatus = 0;
    TextId NothingFoundMessage = 0;
};
OutdatedSelectionTexts ChooseOutdatedSelectionTexts(const RemovalOptions& options);

// What the job hands to the interface thread.
struct OutdatedSelectionRun {
    BindingSnapshot Snapshot;
    CleanupSelection Selection;  // empty unless the snapshot is verified
};

// The job. Takes the target's bindings (running devices only for the current
// Windows) into `run`, throws OperationCancelled when cancellation was asked for
// meanwhile, and with verified bindings runs SelectCleanupCandidates over
// `installed`, which sets every ReasonText and logs every verdict through
// callbacks.LogLine.
void RunOutdatedSelection(const TargetWindows& target, std::vector<DriverPackage>& installed,
                          const RemovalOptions& options, LangId language, const OperationCallbacks& callbacks,
                          OutdatedSelectionRun& run);

enum class SelectionMessageIcon { Information, Error };

// What the window shows after the job.
struct OutdatedSelectionReport {
    std::wstring StatusText;  // empty: the status line stays as the job runner left it
    int Percent = 0;
    bool StickyStatus = false;  // a result that stays until the next action
    std::wstring MessageText;   // empty: no message box
    SelectionMessageIcon MessageIcon = SelectionMessageIcon::Information;
};

// On the interface thread once the job is over: unchecks every installed package
// and, when the job `completed`, checks the candidates, logs each of them and the
// summary through `logLine` and says what to show. The tree is to be rebuilt in
// every case.
OutdatedSelectionReport FinishOutdatedSelection(std::vector<DriverPackage>& installed, const OutdatedSelectionRun& run,
                                                bool completed, bool isCurrent, const RemovalOptions& options,
                                                LangId language,
                                                const std::function<void(const std::wstring&)>& logLine);
