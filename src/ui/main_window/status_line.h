#pragma once
// The status line and progress bar at the bottom of the main window.
#include <windows.h>

#include <cstdint>
#include <string>

struct AppState;

inline constexpr UINT WM_APP_STATUS = WM_APP + 21;

// Progress values besides 0..100: keep the bar as it is, or run it as a marquee.
inline constexpr int kProgressUnchanged = -1;
inline constexpr int kProgressMarquee = -2;

// What a worker sends with WM_APP_STATUS; the sender owns it for the whole call.
struct StatusUpdate {
    std::wstring Text;
    std::int32_t Progress = kProgressUnchanged;
};

// Any thread. Workers are forwarded synchronously to the interface thread; a
// worker with no main window to forward to changes nothing.
void SetStatus(AppState& state, const std::wstring& text, int progress);
// The main window's WM_APP_STATUS handler; lParam is a StatusUpdate.
void OnStatusMessage(AppState& state, LPARAM lParam);
// Replaces a result that was only meant to stay until the next change with "Ready".
void ResetStatusIfTemporary(AppState& state);
// Switches the bar between marquee and position mode and remembers the mode.
void SetProgressMarquee(AppState& state, bool marquee);
