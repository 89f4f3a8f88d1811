#pragma once
#include <string>

#include "core/localized_text.h"

struct ConsoleDispatchResult {
    bool Handled = false;
    int ExitCode = 0;
};

// Runs a console command when the tail names one; otherwise Handled is false and
// the interactive start goes on.
ConsoleDispatchResult DispatchConsoleMode(const std::wstring& commandTail, LangId language);
