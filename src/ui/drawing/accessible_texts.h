#pragma once
// What screen readers are told beyond a control's own text, through the
// system's accessibility property service (looked up at run time); without it
// the controls keep what the system reports for them.
#include <windows.h>

void SetAccessibleName(HWND control, const wchar_t* name);
void SetAccessibleShortcut(HWND control, const wchar_t* shortcut);

// The control announces its new text politely whenever AnnounceTextChange is
// called, as a status bar does.
void MarkAsLiveRegion(HWND control);
void AnnounceTextChange(HWND control);
