#pragma once
// Console output: UTF-16 to a real console, UTF-8 to a redirected handle, or
// everything into the relay file of an elevated copy.
#include <string>

#include "core/localized_text.h"

// Sends every console write to the relay file at `path`, which must already
// exist as a plain file (it is opened without following links); an empty path
// returns to the console. False, with the reason, when the file is refused.
bool UseRelayFile(const std::wstring& path, std::wstring& refusal);

void WriteConsoleText(const std::wstring& text, bool errorStream);
// The text and CR LF.
void WriteConsoleLine(const std::wstring& text, bool errorStream = false);

void PrintHelp(LangId language);
