#pragma once
// Long operations run as jobs on one worker thread while the interface thread
// keeps pumping messages. The worker reaches the window only through the sent
// log and status messages and the cancel flag.
#include <windows.h>

#include <functional>

#include "core/operation_callbacks.h"

struct AppState;

// Runs the job on a new thread and serves this thread's messages until it ends.
// logWindow is read anew for every message, since the Log window may be opened
// or closed meanwhile. A WM_QUIT taken during the job is posted again afterwards;
// the job's exception is rethrown here.
void WorkerRun(HWND mainWindow, const HWND& logWindow, const std::function<void()>& job);

// WorkerRun for the main window; a failure or cancellation ends as one log line
// and one status text and gives false. A second job while one runs is refused.
[[nodiscard]] bool RunJob(AppState& state, const std::function<void()>& job);

// Callbacks that log, show progress and read the cancel flag of the interface.
OperationCallbacks InterfaceCallbacks(AppState& state);
