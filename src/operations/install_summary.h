#pragma once
// What a finished installation reports in its message box and status line.
#include <string>

#include "core/localized_text.h"
#include "operations/package_install.h"

struct InstallEnding {
    KeptTally Tally;
    bool Failed = false;
    bool Cancelled = false;
    bool ListStale = false;  // something was attempted and the installed list is still not current
};

std::wstring InstallSummaryText(const InstallResult& result, const InstallEnding& ending, LangId language);
// Errors, unverified packages, a failed or cancelled job or a stale list.
bool InstallSummaryWarns(const InstallResult& result, const InstallEnding& ending);
std::wstring InstallStatusText(const InstallResult& result, LangId language);
