#pragma once
// Text inside the JSON files a backup carries. They are written by hand and
// never read back by the program.
#include <string>

// Tab, LF, CR, '"' and '\' become their two-character escapes; every other
// UTF-16 unit, other control characters and non-ASCII text included, is kept.
std::wstring JsonEscape(const std::wstring& text);
