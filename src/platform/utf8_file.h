#pragma once
// Files the program writes whole: UTF-8, with a byte-order mark unless the
// reader wants none (JSON for scripts).
#include <filesystem>
#include <string>

// Replaces any existing file. On failure `error` names the file; on success it is
// left untouched.
[[nodiscard]] bool WriteUtf8File(const std::filesystem::path& path, const std::wstring& text, std::wstring& error,
                                 bool byteOrderMark = true);
