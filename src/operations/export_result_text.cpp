#include "operations/export_result_text.h"

std::wstring ExportStatusText(const ExportStatistics& statistics, bool succeeded, LangId language) {
    if (statistics.Cancelled) return GetText(language, 172);
    if (!succeeded && statistics.Failures == 0) return GetText(language, 173);
    return GetText(language, 134) + std::to_wstring(statistics.Exported) + GetText(language, 146) +
           std::to_wstring(statistics.Failures);
}

ExportResultMessage DescribeExportResult(const ExportStatistics& statistics, bool succeeded, LangId language) {
    ExportResultMessage message;
    message.Text = GetText(language, 135) + std::to_wstring(statistics.Exported) + L"\r\n" + GetText(language, 145) +
                   std::to_wstring(statistics.Failures) + L"\r\n\r\n" + statistics.ResultPath;
    if (!succeeded) message.Text += L"\r\n\r\n" + std::wstring(GetText(language, statistics.Cancelled ? 172 : 173));
    message.Warning = !succeeded;
    return message;
}
