#pragma once
#include <string>

#include "console/console_state.h"
#include "core/command_line.h"

// "list": every third-party package of the running Windows with its old-version
// verdict, as text, CSV or JSON, on the output stream or into `outputPath`.
// Exit code 0; 2 when the file cannot be written; 4 when the packages or the
// device bindings cannot be read.
int RunConsoleList(ConsoleState& state, ListFormat format, const std::wstring& outputPath);
