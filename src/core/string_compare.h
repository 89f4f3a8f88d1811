#pragma once
#include <string>
#include <string_view>

// Case-insensitive ordinal comparison as the file system and INF names use it.
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);

// Lower case by the invariant locale's simple mapping (length never changes);
// the text itself when the mapping fails.
std::wstring LowerCaseInvariant(const std::wstring& text);

// Ordinal and without regard to case, as the file system compares paths; for
// ordered maps keyed by paths or names.
struct IgnoreCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};
