#pragma once
// The main window's birth, DPI changes and end.
#include <windows.h>

#include "ui/main_window/app_state.h"

// WM_INITDIALOG: everything the window needs, then the first read of the
// chosen target's packages is queued. True when it gave the focus away itself.
bool OnInitMainWindow(HWND window, AppState& state);

// WM_DPICHANGED: the suggested rectangle, fonts, icons and images for the new DPI.
void OnMainWindowDpiChanged(AppState& state, UINT dpi, const RECT& suggested);

// WM_ACTIVATE: 7-Zip installed or removed meanwhile takes effect.
void OnMainWindowActivated(AppState& state);

// WM_DESTROY: releases what the window made and the extracted install source.
void OnDestroyMainWindow(HWND window, AppState& state);
