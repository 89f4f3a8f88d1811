#pragma once
// The total size a summary of several packages shows, and whether some part
// of it is not known.
#include <cstdint>
#include <string>
#include <vector>

#include "core/localized_text.h"
#include "platform/driver_package.h"

struct SizeTotal {
    std::uint64_t Bytes = 0;
    bool Incomplete = false;  // a size was unknown, or the sum would overflow
};

// Installed packages: their Driver Store folders are separate, so sizes add up.
SizeTotal SumPackageSizes(const std::vector<DriverPackage*>& packages);

// Packages of an install source: a size is that of the folder holding the INF,
// and several INF files may share a folder or lie in nested folders. Each
// folder counts once, and not at all below a counted folder.
SizeTotal SumSourceFolderSizes(const std::vector<DriverPackage*>& packages);

// "≥ " before a total with unknown parts, unless nothing at all is known.
std::wstring FormatSizeTotal(const SizeTotal& total, LangId language);
