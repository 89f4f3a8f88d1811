#pragma once
// Console output: UTF-16 to a real console, UTF-8 to a redirected handle, or
// everything into the relay file of an elevated copy.
#include <string>

#include "core/localized_text.h"

void SetRelayFilePath(const std::wstring& path);
const std::wstring& RelayFilePath();

void WriteConsoleText(const std::wstring& text, bool errorStream);
// The text and CR LF.
void WriteConsoleLine(const std::wstring& text, bool errorStream = false);

void PrintHelp(LangId language);
