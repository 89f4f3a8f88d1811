#pragma once
// Everything the interactive run shares between start-up, the main window and
// its dialogs. Owned by start-up; lives for the whole run.
#include <windows.h>

#include <atomic>
#include <string>

#include "app/event_log.h"
#include "app/localized_text.h"
#include "app/settings.h"
#include "platform/dism_session.h"

enum class AppMode : int { Backup = 0, Removal = 1, Installation = 2 };

struct AppState {
    AppState() { Events.UiThreadId = ::GetCurrentThreadId(); }
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    HWND MainWindow = nullptr;
    HINSTANCE Instance = nullptr;
    AppMode Mode = AppMode::Backup;
    LangId Language = 1;
    RemovalOptions Options;
    DismSession Dism;
    std::atomic<bool> CancelRequested{false};
    EventLog Events;
    std::wstring BackupFolder;
    std::wstring SafetyBackupFolder;

    // Background jobs and the status line.
    bool Busy = false;
    bool JobRunning = false;         // a worker runs inside RunJob
    bool CloseRequested = false;     // the window was closed while busy
    bool ProgressMarquee = false;
    bool StatusIsTemporary = false;  // a result that the next change replaces with "Ready"
};
