#pragma once
// Console commands of an unelevated process run in an elevated copy whose
// output comes back through a relay file.
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/localized_text.h"

struct RelayResult {
    bool Started = false;
    int ExitCode = 0;      // the copy's; 4 when it cannot be read
    bool Silent = false;   // the copy wrote nothing
    std::wstring Failure;  // why no copy started
};

// The arguments for the copy: the command as given, with its paths made
// absolute here, where the current directory and the mapped drives are the
// caller's.
std::vector<std::wstring> RelayArguments(const CommandLine& command);

// Runs `arguments` in an elevated copy started in this process's current
// directory, prints what the copy writes while it runs, and returns its exit code.
// A failure to start it is not printed: `Failure` says why.
RelayResult RunConsoleRelay(const std::vector<std::wstring>& arguments, LangId language);
