#pragma once
// Copying and removing whole folder trees. Neither ever follows a link: a link
// could lead out of the tree, into the copy itself or into data that is not ours.
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

// Copies everything inside `source` into `dest`, which is created with its
// parents. Refuses, before creating anything, a destination inside the source
// and a source that is itself a link; a link inside the tree fails the copy at
// that entry. Existing files are never overwritten. An incomplete copy is left
// for the caller to remove.
[[nodiscard]] bool CopyTree(const std::filesystem::path& source, const std::filesystem::path& dest,
                            std::wstring& error);

// Removes a file, or a folder with everything in it; read-only entries included,
// links removed themselves rather than what they point to. A missing path is no
// error. Returns how many entries were removed.
std::uintmax_t RemoveTree(const std::filesystem::path& path, std::error_code& error);
