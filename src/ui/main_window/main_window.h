#pragma once
// The main window (dialog 101) and the operations other parts of the interface
// call on it; all on the interface thread.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/main_window/app_state.h"

// Dialog procedure of the main window; lParam of WM_INITDIALOG is the AppState.
INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Applies the mode's texts, visibility and enabling, lays out and rebuilds the
// tree with `view` (none: the live tree's own view).
void UpdateModeControls(AppState& state, const PackageTreeView* view = nullptr);

// The selection label and the buttons that depend on checks.
void UpdateSelectionSummary(AppState& state);
// The same with the search's matches already known (SearchMatches).
void UpdateSelectionSummary(AppState& state, const std::vector<bool>& matches);

LoadedListKey MakeLoadedListKey(const std::wstring& path, bool flag);
bool IsLoadedListCurrent(const LoadedListKey& key, const std::wstring& path, bool flag);

// Locates 7-Zip again; true when it appeared or disappeared.
bool RefreshSevenZipState(AppState& state);

// Reads the chosen target's packages as a job, then their sizes. `onList`, when
// given, sees the new list on the worker thread before the window takes it.
void RefreshInstalledDrivers(AppState& state,
                             const std::function<void(std::vector<DriverPackage>&)>& onList = nullptr);

// Scans the install folder or archive as a job.
void ScanInstallFolder(AppState& state);
