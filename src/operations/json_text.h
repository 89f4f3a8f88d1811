#pragma once
// Text inside the JSON files a backup carries. They are written by hand and
// never read back by the program.
#include <string>
#include <string_view>

// Tab, LF, CR, '"' and '\' become their two-character escapes, every other unit
// below U+0020 becomes \u00xx (lower-case hex); the rest, non-ASCII text
// included, is kept.
std::wstring JsonEscape(const std::wstring& text);

// The same escaping appended to `out`: a large listing escapes over a million
// values, and a temporary text per value costs more than the escaping.
void AppendJsonEscaped(std::wstring& out, std::wstring_view text);
