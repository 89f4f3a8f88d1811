#pragma once
#include <windows.h>

#include <string>

#include "core/localized_text.h"

// The stored "Language" when it is 0..7, else the user's UI language.
LangId ResolveLanguage();
// Maps a primary language id of the user's UI language to an interface language.
LangId LanguageForPrimaryLanguage(WORD primaryLanguage);

// The interactive session after the gates: DISM and the main window. Returns the exit code.
int RunInteractive(HINSTANCE instance, LangId language);
// The whole process: console dispatch, elevation, DISM, the main window. Returns the exit code.
int RunApplication(HINSTANCE instance, const std::wstring& commandTail);
