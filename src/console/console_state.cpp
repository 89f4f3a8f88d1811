#include "console/console_state.h"

#include <windows.h>

#include "console/console_output.h"
#include "core/event_log.h"

void LogConsoleEvent(const ConsoleState& state, const std::wstring& text) {
    AppendLogFile(state.LogPath, FormatLogLine(text));
}

void WriteConsoleError(const std::wstring& text) { WriteConsoleLine(L"ERROR: " + text, true); }

void WriteLogPointer(const ConsoleState& state) { WriteConsoleLine(L"Log: " + state.LogPath, true); }

bool CallerEnded(const ConsoleState& state) {
    return state.Caller && ::WaitForSingleObject(state.Caller.get(), 0) == WAIT_OBJECT_0;
}

void LogCallerEnded(const ConsoleState& state) {
    LogConsoleEvent(state, L"Команда остановлена: вызвавший её процесс завершился.");
}
