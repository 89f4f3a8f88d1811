#include "core/event_log.h"

#include <cwchar>

#include "core/plain_file.h"
#include "core/text_encoding.h"
#include "core/unique_handle.h"

namespace {

void AppendToLogWindow(HWND logWindow, const std::wstring& line) {
    HWND edit = ::GetDlgItem(logWindow, kLogEditControlId);
    if (!edit) return;
    const LRESULT length = ::GetWindowTextLengthW(edit);
    DWORD selStart = 0;
    DWORD selEnd = 0;
    ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    const LRESULT firstVisible = ::SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);

    // EM_REPLACESEL honours the edit limit (about 30000 characters by default) and
    // would drop the lines of a long session without a word.
    const auto limit = static_cast<std::size_t>(::SendMessageW(edit, EM_GETLIMITTEXT, 0, 0));
    if (static_cast<std::size_t>(length) + line.size() > limit) ::SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);

    ::SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(length), length);
    ::SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));

    const bool readerAtEnd = selStart == selEnd && static_cast<LRESULT>(selEnd) == length;
    if (readerAtEnd) {
        ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
        return;
    }
    ::SendMessageW(edit, EM_SETSEL, selStart, static_cast<LPARAM>(selEnd));
    const LRESULT newFirstVisible = ::SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    ::SendMessageW(edit, EM_LINESCROLL, 0, firstVisible - newFirstVisible);
}

}  // namespace

std::wstring TempFilePath(const std::wstring& fileName) {
    wchar_t folder[260];
    const DWORD length = ::GetTempPathW(260, folder);
    if (length == 0 || length > 259) return fileName;
    std::wstring path(folder, length);
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + fileName;
}

std::wstring FormatLogLine(const std::wstring& text) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"[%02u:%02u:%02u] ", static_cast<unsigned>(now.wHour),
                  static_cast<unsigned>(now.wMinute), static_cast<unsigned>(now.wSecond));
    return stamp + text + L"\r\n";
}

void AppendLogFile(const std::wstring& path, const std::wstring& line) {
    // A link planted in place of the log is refused silently, like any other
    // file that cannot be written: the log has nowhere else to say so.
    std::wstring refusal;
    const FileHandle file =
        OpenPlainFile(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS, refusal);
    if (!file) return;
    const std::string utf8 = WideToUtf8(line);
    DWORD written = 0;
    ::WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void Log(EventLog& log, const std::wstring& text) {
    if (log.MainWindow && ::GetCurrentThreadId() != log.UiThreadId) {
        ::SendMessageW(log.MainWindow, WM_APP_LOG, 0, reinterpret_cast<LPARAM>(&text));
        return;
    }
    const std::wstring line = FormatLogLine(text);
    log.MemoryText += line;
    AppendLogFile(log.LogPath, line);
    if (log.LogWindow) AppendToLogWindow(log.LogWindow, line);
}
