#pragma once
#include <string>

// UTF-8 <-> UTF-16 through the system converter; invalid sequences become
// whatever the system substitutes. An input beyond the converter's 32-bit range
// gives an empty result rather than a silently shortened one.
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
