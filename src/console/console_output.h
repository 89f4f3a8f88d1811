#pragma once
// Console output: UTF-16 to a real console, UTF-8 to a redirected handle, or
// everything into the relay file of an elevated copy.
#include <cstddef>
#include <string>

#include "core/localized_text.h"

// Sends every console write to the relay file at `path`, which must already
// exist as a plain file (it is opened without following links); an empty path
// returns to the console. False, with the reason, when the file is refused.
bool UseRelayFile(const std::wstring& path, std::wstring& refusal);

// Clears a shown progress line first.
void WriteConsoleText(const std::wstring& text, bool errorStream);
// The text and CR LF.
void WriteConsoleLine(const std::wstring& text, bool errorStream = false);

void PrintHelp(LangId language);

// Long work on an interactive console: one line on the error stream, rewritten
// in place with the percent (none when negative) and what is in hand. Nothing
// when the error stream is redirected or relayed, so scripts see no difference.
void ShowConsoleProgress(int percent, const std::wstring& text);
// Takes a shown progress line away.
void ClearConsoleProgress();
// The progress line for a console `width` columns wide: "[ 42%] text", cut so
// that it never wraps.
std::wstring FormatProgressLine(int percent, const std::wstring& text, std::size_t width);
