#pragma once
// The main window's two tooltips: full texts of shortened labels (and what
// "Select old drivers" looks for), and why the 7z check box is disabled.
#include <windows.h>

#include "ui/main_window/app_state.h"

void CreateMainWindowTooltips(AppState& state);
void DestroyMainWindowTooltips(AppState& state);

// Maximum widths for the window's DPI.
void ScaleMainWindowTooltips(AppState& state);

// Puts the 7-Zip hint over the check box; it speaks only while 7-Zip is
// missing, the mode can use an archive and nothing runs.
void UpdateSevenZipHint(AppState& state);

// Shows an open tip again with its current text.
void RefreshGeneralTooltip(AppState& state);

// TTN_GETDISPINFOW of the general tooltip; false for anything else.
bool AnswerTooltipText(AppState& state, NMHDR& header);
