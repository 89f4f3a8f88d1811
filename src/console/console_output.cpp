#include "console/console_output.h"

#include <windows.h>

#include "core/plain_file.h"
#include "core/text_encoding.h"
#include "core/unique_handle.h"
#include "core/usage_text.h"

namespace {

FileHandle& RelayFile() {
    static FileHandle file;
    return file;
}

}  // namespace

bool UseRelayFile(const std::wstring& path, std::wstring& refusal) {
    RelayFile().reset();
    refusal.clear();
    if (path.empty()) return true;
    RelayFile() = OpenPlainFile(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, refusal);
    if (!RelayFile() && refusal.empty()) refusal = L"Не удалось открыть файл вывода консоли: " + path;
    return static_cast<bool>(RelayFile());
}

void WriteConsoleText(const std::wstring& text, bool errorStream) {
    DWORD written = 0;
    if (RelayFile()) {
        const std::string utf8 = WideToUtf8(text);
        ::WriteFile(RelayFile().get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        return;
    }
    HANDLE handle = ::GetStdHandle(errorStream ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (!handle || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
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
