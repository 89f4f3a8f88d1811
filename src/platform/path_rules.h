#pragma once
// Paths as keys and containment, following the platform's path rules.
#include <filesystem>
#include <string>

// GetFullPathNameW's absolute form, untouched by the file-system library (which
// reads "\\server\share" as a path on the current drive); empty on failure.
std::wstring FullPathName(const std::wstring& path);

// Absolute, "." and ".." resolved, "\" separators, no trailing separator except
// on a bare root. Letter case is kept. Empty when the path cannot be made absolute.
std::wstring NormalizePath(const std::filesystem::path& path);

// True when `path` is `base` or lies below it, compared lexically and without
// regard to case; the disk is not consulted.
bool IsPathInside(const std::filesystem::path& path, const std::filesystem::path& base);
