#pragma once
// The main window's fonts and its help icon, made for the language and DPI.
#include "ui/main_window/app_state.h"

// Creates the five fonts, gives every child the body font and the title,
// details title and action button their own, then deletes the fonts they
// replace. A failure keeps the fonts in use.
void ApplyMainWindowFonts(AppState& state);
void DeleteMainWindowFonts(AppState& state);

// The system's help icon at 16 pixels for the DPI on the help button; without
// it the button stays hidden.
void LoadHelpIcon(AppState& state);
