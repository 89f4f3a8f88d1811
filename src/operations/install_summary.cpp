#include "operations/install_summary.h"

std::wstring InstallSummaryText(const InstallResult& result, const InstallEnding& ending, LangId language) {
    std::wstring text = GetText(language, 181) + std::to_wstring(result.Installed);
    text += L"\r\n" + (GetText(language, 145) + std::to_wstring(result.Errors));
    if (ending.Tally.Kept) text += L"\r\n" + (GetText(language, 247) + std::to_wstring(ending.Tally.Kept));
    if (ending.Tally.Unverified)
        text += L"\r\n" + (GetText(language, 248) + std::to_wstring(ending.Tally.Unverified));
    text += L"\r\n\r\n" + std::wstring(GetText(language, 183));
    if (ending.ListStale) text += L"\r\n" + std::wstring(GetText(language, 249));
    if (ending.Failed) text += L"\r\n" + std::wstring(GetText(language, 173));
    else if (ending.Cancelled) text += L"\r\n" + std::wstring(GetText(language, 172));
    if (result.RestartRequired) text += L"\r\n\r\n" + std::wstring(GetText(language, 149));
    return text;
}

bool InstallSummaryWarns(const InstallResult& result, const InstallEnding& ending) {
    return result.Errors > 0 || ending.Tally.Unverified > 0 || ending.Failed || ending.Cancelled || ending.ListStale;
}

std::wstring InstallStatusText(const InstallResult& result, LangId language) {
    return GetText(language, 182) + std::to_wstring(result.Installed) + GetText(language, 146) +
           std::to_wstring(result.Errors);
}
