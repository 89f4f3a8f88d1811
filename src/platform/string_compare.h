#pragma once
#include <string_view>

// Case-insensitive ordinal comparison as the file system and INF names use it.
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);
