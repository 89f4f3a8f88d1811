#pragma once
#include <string>

// Drops leading and trailing spaces, tabs, CRs and LFs.
std::wstring TrimWhitespace(const std::wstring& text);
