#include "app/console_output.h"

#include <windows.h>

#include "app/event_log.h"
#include "platform/text_encoding.h"

namespace {

std::wstring& RelayPathStorage() {
    static std::wstring path;
    return path;
}

constexpr wchar_t kProgramName[] = L"Quillbay.exe";

}  // namespace

void SetRelayFilePath(const std::wstring& path) { RelayPathStorage() = path; }

const std::wstring& RelayFilePath() { return RelayPathStorage(); }

void WriteConsoleText(const std::wstring& text, bool errorStream) {
    if (!RelayFilePath().empty()) {
        AppendLogFile(RelayFilePath(), text);
        return;
    }
    HANDLE handle = ::GetStdHandle(errorStream ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (!handle || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string utf8 = WideToUtf8(text);
    ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteConsoleLine(const std::wstring& text, bool errorStream) { WriteConsoleText(text + L"\r\n", errorStream); }

std::wstring BuildUsageText(LangId language) {
    auto text = [language](TextId id) { return std::wstring(GetText(language, id)); };
    const std::wstring program = kProgramName;
    return text(154) + L"\r\n\r\n" + program + L"\r\n    " + text(155) +
           L"\r\n\r\n" + program + L" backup \"D:\\Backups\\Drivers.7z\"\r\n    " + text(156) +
           L"\r\n\r\n" + program + L" cleanup-preview\r\n    " + text(157) +
           L"\r\n\r\n" + program + L" cleanup\r\n    " + text(158) +
           L"\r\n\r\n" + program + L" help | --help | /?\r\n    " + text(159) +
           L"\r\n\r\n" + text(160) + L"\r\n" + text(161) + L"\r\n\r\n" + text(162);
}

void PrintHelp(LangId language) {
    WriteConsoleText(L"Quillbay 1.14.19\r\n\r\n" + BuildUsageText(language) + L"\r\n", false);
}
