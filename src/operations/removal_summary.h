#pragma once
// What a finished removal reports: the message box, the log line and the status line.
#include <string>

#include "core/localized_text.h"
#include "operations/package_removal.h"

// How the removal job ended besides its counts.
struct RemovalEnding {
    bool Failed = false;
    bool Cancelled = false;
};

// The change of free space when both measurements exist, else the estimate
// from the removed packages' sizes.
std::wstring RemovalSizeLine(const RemovalResult& result, LangId language);
std::wstring RemovalSummaryText(const RemovalResult& result, RemovalEnding ending, LangId language);
std::wstring RemovalLogLine(const RemovalResult& result, LangId language);
std::wstring RemovalStatusText(const RemovalResult& result, bool cancelled, LangId language);
