#pragma once
// What a console command owns while it runs.
#include <string>

#include "core/localized_text.h"
#include "core/unique_handle.h"
#include "platform/dism_session.h"

struct ConsoleState {
    LangId Language = 1;
    std::wstring LogPath;
    std::wstring TargetRoot;
    bool TargetIsCurrent = true;  // the running Windows, else the offline one under TargetRoot
    DismSession Dism;
    // The unelevated process that relayed the command, while it waits for us.
    KernelHandle Caller;
};

// The relaying caller has ended (Ctrl+C in its console, or it was closed): the
// command stops at its next checkpoint, as a cancelled one does, and logs why.
bool CallerEnded(const ConsoleState& state);
void LogCallerEnded(const ConsoleState& state);

// Appends a timestamped line to the log file; a console run has no other log.
void LogConsoleEvent(const ConsoleState& state, const std::wstring& text);
// "ERROR: " and the text on the error stream.
void WriteConsoleError(const std::wstring& text);
// "Log: " and the log file's path on the error stream.
void WriteLogPointer(const ConsoleState& state);
