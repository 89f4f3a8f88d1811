#pragma once
// The details pane (frame 1012): one package, a summary of a group or of the
// checked packages, or a placeholder; lays itself out and scrolls.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/main_window/app_state.h"

// Rows of label and value; a package shows all of them, a summary the first.
inline constexpr int kDetailsRows = 8;

void ShowPackageDetails(AppState& state, const DriverPackage& package);
void ShowGroupSummary(AppState& state, const std::wstring& key, const std::wstring& title,
                      const std::vector<DriverPackage*>& packages);
// The checked packages of the current list; with nothing checked, the node.
void ShowSelectedSummary(AppState& state, const TreeNodeData* node);
// What the tree's selected item stands for; null shows the placeholder.
void ShowNodeDetails(AppState& state, const TreeNodeData* node);
void ShowDetailsPlaceholder(AppState& state);

// Places the pane's controls for the current window layout and scroll offset.
void LayoutDetailsPane(AppState& state);

// WM_VSCROLL of the pane's scroll bar, and the wheel over the card (delta as
// WM_MOUSEWHEEL gives it).
void ScrollDetailsPane(AppState& state, WPARAM scrollRequest);
void WheelDetailsPane(AppState& state, int wheelDelta);
// Scrolls the pane just enough to show the control (a value the keyboard reached).
void RevealInDetailsPane(AppState& state, HWND control);
