#include "operations/removal_summary.h"

#include "platform/package_text.h"

std::wstring RemovalSizeLine(const RemovalResult& result, LangId language) {
    if (!result.FreeBeforeMeasured || !result.FreeAfterMeasured)
        return GetText(language, 143) + FormatSizeMB(result.LogicalSize, language);
    const std::wstring change = result.FreeAfter < result.FreeBefore
                                    ? L"-" + FormatSizeMB(result.FreeBefore - result.FreeAfter, language)
                                    : FormatSizeMB(result.FreeAfter - result.FreeBefore, language);
    return GetText(language, 179) + change;
}

std::wstring RemovalSummaryText(const RemovalResult& result, RemovalEnding ending, LangId language) {
    std::wstring text;
    if (ending.Failed) text = GetText(language, 173) + std::wstring(L"\r\n");
    else if (ending.Cancelled) text = GetText(language, 172) + std::wstring(L"\r\n");
    text += GetText(language, 144) + std::to_wstring(result.Removed);
    text += L"\r\n" + (GetText(language, 145) + std::to_wstring(result.Errors));
    text += L"\r\n" + RemovalSizeLine(result, language);
    text += L"\r\n" + (GetText(language, 147) + FormatSizeMB(result.LogicalSize, language));
    return text;
}

std::wstring RemovalLogLine(const RemovalResult& result, LangId language) {
    return L"Удаление завершено. Удалено: " + std::to_wstring(result.Removed) + L"; ошибок: " +
           std::to_wstring(result.Errors) + L"; " + RemovalSizeLine(result, language) + L"; логический размер: " +
           FormatSizeMB(result.LogicalSize, language);
}

std::wstring RemovalStatusText(const RemovalResult& result, bool cancelled, LangId language) {
    std::wstring text = cancelled ? GetText(language, 172) + std::wstring(L"; ") : std::wstring();
    return text + GetText(language, 150) + std::to_wstring(result.Removed) + GetText(language, 146) +
           std::to_wstring(result.Errors) + L"; " + RemovalSizeLine(result, language);
}
