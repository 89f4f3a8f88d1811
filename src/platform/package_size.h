#pragma once
// How much disk space the Driver Store folders of packages take, measured once
// per folder state and remembered for the rest of the run.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/localized_text.h"
#include "core/operation_callbacks.h"
#include "core/string_compare.h"
#include "platform/driver_package.h"

// Folder byte counts by SizeCacheKey. Entries are only ever added: a folder
// that changes gets a new key.
using PackageSizeCache = std::map<std::wstring, std::uint64_t, IgnoreCaseLess>;

// The normalised folder path, "|" and its last-write time as the signed decimal
// of the raw FILETIME value (nothing after "|" when the time cannot be read).
std::wstring SizeCacheKey(const std::wstring& folder);

// The bytes of every file below `folder`. A link adds nothing and is not
// followed: removing the package frees the link, not what it points to.
// Folders that cannot be listed are left out; 0 when `folder` cannot be.
std::uint64_t FolderSize(const std::filesystem::path& folder);

// The size phase after a refresh: sets SizeBytes of every package whose folder
// under `root` can be located, from the cache where it can. Checks
// callbacks.Cancelled before each package and throws OperationCancelled;
// reports text 176 with 60..99 percent for each package measured.
void ComputePackageSizes(std::vector<DriverPackage>& packages, const std::wstring& root, PackageSizeCache& cache,
                         LangId language, const OperationCallbacks& callbacks);
