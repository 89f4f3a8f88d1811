#pragma once
// Visual themes of the standard controls, set through the theme library when the
// system has it; without it the controls keep their classic look.
#include <windows.h>

// Tree, combo, edit and check box controls in the shell's "Explorer" style.
void ApplyExplorerTheme(HWND control);

// The progress bar without a theme, so it shows an accent bar on a muted background.
void StyleProgressBar(HWND progress);
