#include "app/console_state.h"

#include "app/console_output.h"
#include "app/event_log.h"

void LogConsoleEvent(const ConsoleState& state, const std::wstring& text) {
    AppendLogFile(state.LogPath, FormatLogLine(text));
}

void WriteConsoleError(const std::wstring& text) { WriteConsoleLine(L"ERROR: " + text, true); }

void WriteLogPointer(const ConsoleState& state) { WriteConsoleLine(L"Log: " + state.LogPath, true); }
