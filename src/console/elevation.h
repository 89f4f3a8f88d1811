#pragma once
#include <string>

#include "core/localized_text.h"
#include "platform/process_elevation.h"

// The message box of an elevation that failed or was refused.
void ShowElevationError(const std::wstring& text);
// True: the process may go on. False: it relaunched itself (or said why it
// could not) and must end with exit code 0.
bool EnsureElevated(const std::wstring& commandTail, LangId language);
// The message box of a DISM API that cannot be brought up.
void ShowDismInitFailure(const std::wstring& error, const std::wstring& logPath);
// The text that box shows.
std::wstring DismInitFailureText(const std::wstring& error, const std::wstring& logPath);
