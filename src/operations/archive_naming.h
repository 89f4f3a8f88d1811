#pragma once
// Giving a finished archive its final name without replacing anything.
#include <filesystem>
#include <string>

// Moves `temporary` to `wanted`, or, when that name is taken, to
// "<stem>-<timestamp><extension>" beside it, then to "<stem>-<6 hex digits>..."
// names; 32 attempts at most. Returns the name used, or an empty path with a
// complete Russian text in `error`. On failure `temporary` is left where it was.
std::filesystem::path MoveArchiveToFreeName(const std::filesystem::path& temporary, const std::filesystem::path& wanted,
                                            std::wstring& error);
