#include "ui/jobs/operation_job.h"

#include "ui/jobs/background_job.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/busy_state.h"

JobEnding RunOperationJob(AppState& state, const std::function<void()>& body) {
    JobEnding ending;
    SetBusy(state, true);
    const bool completed = RunJob(state, [&] {
        try {
            body();
        } catch (const OperationCancelled&) {
            ending.Cancelled = true;
            throw;
        }
    });
    SetBusy(state, false);
    // A request that came after the last checkpoint still makes the result a cancelled one.
    ending.Cancelled = ending.Cancelled || state.CancelRequested;
    ending.Failed = !completed && !ending.Cancelled;
    return ending;
}
