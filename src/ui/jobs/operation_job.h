#pragma once
// An operation's job as removal and installation run it: busy while it runs,
// and afterwards whether it failed or was cancelled.
#include <functional>

struct AppState;

struct JobEnding {
    bool Failed = false;     // the job ended with an error (RunJob logged it)
    bool Cancelled = false;  // the job gave up, or the user asked to cancel while it ran
};

JobEnding RunOperationJob(AppState& state, const std::function<void()>& body);
