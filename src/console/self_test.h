#pragma once
// "--self-test [file]": whether DISM lists the running Windows' third-party
// packages, written as a small report for scripts and support.
#include <string>

#include "console/console_state.h"

// Writes the report to `outputPath`, or to Quillbay-self-test.txt in the
// temporary folder when it is empty. Exit code 0 only when DISM listed at least
// one package and the report was written; otherwise 2.
int RunSelfTest(ConsoleState& state, const std::wstring& outputPath);
