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

// The progress line on the console now; empty when none is shown.
std::wstring& ShownProgress() {
    static std::wstring shown;
    return shown;
}

// The error stream when it is an interactive console and nothing is relayed; else null.
HANDLE InteractiveErrorStream() {
    if (RelayFile()) return nullptr;
    HANDLE handle = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return handle && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

void WriteToConsole(HANDLE handle, const std::wstring& text) {
    DWORD written = 0;
    ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
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
    ClearConsoleProgress();
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
        WriteToConsole(handle, text);
        return;
    }
    const std::string utf8 = WideToUtf8(text);
    ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteConsoleLine(const std::wstring& text, bool errorStream) { WriteConsoleText(text + L"\r\n", errorStream); }

void PrintHelp(LangId language) {
    WriteConsoleText(L"Quillbay 1.14.19\r\n\r\n" + BuildUsageText(language) + L"\r\n", false);
}

std::wstring FormatProgressLine(int percent, const std::wstring& text, std::size_t width) {
    std::wstring line;
    if (percent >= 0) {
        const std::wstring number = std::to_wstring(percent > 100 ? 100 : percent);
        line = L"[" + std::wstring(number.size() < 3 ? 3 - number.size() : 0, L' ') + number + L"%] ";
    }
    line += text;
    // The last column would move the cursor to the next line.
    if (width == 0) return {};
    if (line.size() > width - 1) line.resize(width - 1);
    return line;
}

void ShowConsoleProgress(int percent, const std::wstring& text) {
    HANDLE handle = InteractiveErrorStream();
    if (!handle) return;
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    const std::size_t width =
        ::GetConsoleScreenBufferInfo(handle, &screen) && screen.dwSize.X > 0 ? static_cast<std::size_t>(screen.dwSize.X)
                                                                              : 80;
    const std::wstring line = FormatProgressLine(percent, text, width);
    std::wstring& shown = ShownProgress();
    if (line == shown) return;
    // Blanks over what the longer line before left.
    WriteToConsole(handle, L"\r" + line + std::wstring(shown.size() > line.size() ? shown.size() - line.size() : 0, L' '));
    shown = line;
}

void ClearConsoleProgress() {
    std::wstring& shown = ShownProgress();
    if (shown.empty()) return;
    if (HANDLE handle = InteractiveErrorStream()) WriteToConsole(handle, L"\r" + std::wstring(shown.size(), L' ') + L"\r");
    shown.clear();
}
