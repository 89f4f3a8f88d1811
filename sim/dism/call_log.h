#pragma once
// The log DismInitialize was given: one UTF-8 line per API call with its
// arguments and result, e.g. "DismCloseSession(3) -> 0x00000000".
#include <windows.h>

#include <string>

namespace sim {

class CallLog {
public:
    // Creates the file if needed; an empty path turns logging off.
    [[nodiscard]] HRESULT Open(const std::wstring& path, std::wstring& message);
    void Append(const std::wstring& line) const;

private:
    std::wstring path_;
};

// Argument and result texts of a log line.
std::wstring QuoteArgument(PCWSTR text);  // "\"text\"" or null
std::wstring BoolArgument(BOOL value);    // TRUE or FALSE
std::wstring FormatHresult(HRESULT hr);   // 0x%08X

}  // namespace sim
