#pragma once
// Text helpers of the simulation code: case folding as the file system does it,
// UTF-8 for logs and INF files, and system error texts.
#include <windows.h>

#include <string>
#include <string_view>
#include <system_error>

namespace sim {

std::wstring ToLowerText(std::wstring_view text);
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);
std::string ToUtf8(std::wstring_view text);
// The system's message for a Win32 error code, trailing line breaks removed.
std::wstring SystemErrorText(DWORD code);
// A file-system library error as a Win32 code: the library reports some
// failures as errno values, others as system codes.
DWORD Win32ErrorFrom(const std::error_code& ec);

}  // namespace sim
