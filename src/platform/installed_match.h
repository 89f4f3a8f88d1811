#pragma once
// Tells that an INF of an install source is already installed: the same INF
// name and version, and byte-identical INF and catalog in the Driver Store.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/driver_package.h"

// The installed package identical to `source` (read from an INF file), or null.
const DriverPackage* FindInstalledMatch(const std::vector<DriverPackage>& installed, const DriverPackage& source,
                                        const std::wstring& root);

// Both files can be read to their end and hold the same bytes.
bool FilesHaveSameContent(const std::filesystem::path& first, const std::filesystem::path& second);
