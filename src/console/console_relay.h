#pragma once
// Console commands of an unelevated process run in an elevated copy whose
// output comes back through a relay file in the temporary folder.
#include <string>

#include "core/localized_text.h"

// Runs the same command in an elevated copy and returns its exit code.
int RunConsoleRelay(const std::wstring& commandTail, LangId language);
// Only relay files of our own kind in the user's temporary folder are accepted.
bool IsValidRelayPath(const std::wstring& path);
// The relay file's text; false when it cannot be read or exceeds 64 MiB.
[[nodiscard]] bool ReadRelayFile(const std::wstring& path, std::wstring& text);
// "Quillbay-console-<pid>-<ticks>.tmp" in the temporary folder.
std::wstring NewRelayFilePath();
