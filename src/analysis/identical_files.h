#pragma once
// Whether two paths hold the same file content.
#include <string>

// Both sizes readable, equal and non-zero, and either the file system reports one
// file under both names or the contents are byte for byte the same.
bool FilesIdentical(const std::wstring& first, const std::wstring& second);
