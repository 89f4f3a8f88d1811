#pragma once
// Names the program gives to the folders and files it creates.
#include <windows.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>

// A name any Windows folder accepts: control characters and <>:"/\|?* become "_",
// the result is cut to `maxLength` characters, and trailing spaces and dots go
// (before and after the cut). "Без имени" when nothing is left.
std::wstring SanitizeFileName(const std::wstring& name, std::size_t maxLength);

// "yyyy-mm-dd_hh-mm-ss", for names that sort by time.
std::wstring FormatTimestamp(const SYSTEMTIME& time);
std::wstring LocalTimestamp();

// Six lower-case hexadecimal digits from a fresh GUID, or "copy" without one.
std::wstring UniqueNameSuffix();

// Creates parent\baseName, or parent\baseName-<suffix> when that name is taken
// (32 names at most). The parent must exist. Empty path and `error` on failure.
std::filesystem::path CreateUniqueFolder(const std::filesystem::path& parent, const std::wstring& baseName,
                                         std::error_code& error);
