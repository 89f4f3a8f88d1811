#pragma once
// The program's running record: memory text for the log window, and a file that
// accumulates across runs.
#include <windows.h>

#include <string>

inline constexpr UINT WM_APP_LOG = WM_APP + 20;
inline constexpr int kLogEditControlId = 1100;

struct EventLog {
    std::wstring LogPath;
    std::wstring DismLogPath;
    std::wstring MemoryText;
    HWND LogWindow = nullptr;
    HWND MainWindow = nullptr;
    DWORD UiThreadId = 0;
};

// A file in the user's temporary folder, or the bare name when there is none.
std::wstring TempFilePath(const std::wstring& fileName);
// "[hh:mm:ss] " + text + CR LF, in local time.
std::wstring FormatLogLine(const std::wstring& text);
// Appends one line as UTF-8; failures are dropped silently by design.
void AppendLogFile(const std::wstring& path, const std::wstring& line);
// Any thread; workers are routed through the main window so only its thread
// touches the memory text, the file and the log window.
void Log(EventLog& log, const std::wstring& text);
