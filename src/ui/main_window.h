#pragma once
#include <windows.h>

// Dialog procedure of the main window; lParam of WM_INITDIALOG is the AppState.
INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
