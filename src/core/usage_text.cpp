#include "core/usage_text.h"

std::wstring BuildUsageText(LangId language) {
    auto text = [language](TextId id) { return std::wstring(GetText(language, id)); };
    const std::wstring program = L"Quillbay.exe";
    return text(154) + L"\r\n\r\n" + program + L"\r\n    " + text(155) +
           L"\r\n\r\n" + program + L" backup \"D:\\Backups\\Drivers.7z\"\r\n    " + text(156) +
           L"\r\n\r\n" + program + L" cleanup-preview\r\n    " + text(157) +
           L"\r\n\r\n" + program + L" cleanup\r\n    " + text(158) +
           L"\r\n\r\n" + program + L" list [--format text|csv|json] [--output FILE]\r\n    " + text(268) +
           L"\r\n\r\n" + program + L" cleanup-preview --target D:\\\r\n    " + text(270) +
           L"\r\n\r\n" + program + L" help | --help | /?\r\n    " + text(159) +
           L"\r\n\r\n" + text(160) + L"\r\n" + text(161) + L"\r\n\r\n" + text(162);
}
