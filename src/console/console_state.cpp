#include "console/console_state.h"

#include "console/console_output.h"
#include "core/event_log.h"

void LogConsoleEvent(const ConsoleState& state, const std::wstring& text) {
    AppendLogFile(state.LogPath, FormatLogLine(text));
}

void WriteConsoleError(const std::wstring& text) { WriteConsoleLine(L"ERROR: " + text, true); }

void WriteLogPointer(const ConsoleState& state) { WriteConsoleLine(L"Log: " + state.LogPath, true); }
