#pragma once
// How the end of an interactive export is told: the status line and the
// message box text.
#include <string>

#include "core/localized_text.h"
#include "operations/backup_export.h"

// "Operation cancelled"; "Exported: N; errors: M" when the export succeeded or
// counted failures; otherwise "Operation failed — open the log".
std::wstring ExportStatusText(const ExportStatistics& statistics, bool succeeded, LangId language);

struct ExportResultMessage {
    std::wstring Text;  // counts, the result path and, after a failure, the reason
    bool Warning = false;
};
ExportResultMessage DescribeExportResult(const ExportStatistics& statistics, bool succeeded, LangId language);
