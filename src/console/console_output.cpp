#include "console/console_output.h"

#include <windows.h>

#include "core/event_log.h"
#include "core/text_encoding.h"
#include "core/usage_text.h"

namespace {

std::wstring& RelayPathStorage() {
    static std::wstring path;
    return path;
}

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

void PrintHelp(LangId language) {
    WriteConsoleText(L"Quillbay 1.14.19\r\n\r\n" + BuildUsageText(language) + L"\r\n", false);
}
