#include "call_log.h"

#include <cwchar>

#include "core/unique_handle.h"
#include "sim_text.h"

namespace sim {

namespace {

FileHandle OpenForAppend(const std::wstring& path) {
    return FileHandle(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

HRESULT CallLog::Open(const std::wstring& path, std::wstring& message) {
    if (!path.empty() && !OpenForAppend(path)) {
        const DWORD code = ::GetLastError();
        message = L"Cannot open the log file " + path + L": " + SystemErrorText(code);
        return HRESULT_FROM_WIN32(code);
    }
    path_ = path;
    return S_OK;
}

void CallLog::Append(const std::wstring& line) const {
    if (path_.empty()) return;
    const FileHandle file = OpenForAppend(path_);
    if (!file) return;
    const std::string bytes = ToUtf8(line + L"\r\n");
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring QuoteArgument(PCWSTR text) { return text == nullptr ? L"null" : L"\"" + std::wstring(text) + L"\""; }

std::wstring BoolArgument(BOOL value) { return value ? L"TRUE" : L"FALSE"; }

std::wstring FormatHresult(HRESULT hr) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(hr));
    return text;
}

}  // namespace sim
