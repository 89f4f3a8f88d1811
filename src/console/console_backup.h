#pragma once
#include <string>

#include "console/console_state.h"

// "backup <archive>": every third-party package of the running Windows into one
// 7z archive. Exit code 0, 2 (bad archive path), 3 (some packages failed) or 4.
int RunConsoleBackup(ConsoleState& state, const std::wstring& archivePath);
