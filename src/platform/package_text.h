#pragma once
// The short texts that name a package in logs, folder names and the interface,
// and how sizes are written.
#include <cstdint>
#include <string>

#include "core/localized_text.h"
#include "platform/driver_package.h"

// The text after the last "\" or "/"; the whole text when there is none.
std::wstring FileNamePart(const std::wstring& path);

// The file name of the package's original INF: from DISM's path up to the first
// ".inf", else the published name, else the INF path's name, else "driver.inf".
std::wstring GetOriginalInfName(const DriverPackage& package);

// "<original INF name>-<version>", or the name alone without a version.
std::wstring PackageFolderName(const DriverPackage& package);

// "nvdisp.inf (oem12.inf)", or one of the two names when they agree or one is missing.
std::wstring PackageDisplayName(const DriverPackage& package);

// Display name, version, date and size in one log line.
std::wstring PackageSummaryLine(const DriverPackage& package, LangId language);

// Mebibytes with two decimals and "." as the decimal point.
std::wstring FormatSizeMB(std::uint64_t bytes, LangId language);

// The largest unit up to petabytes that keeps the value at least 1; an em dash
// for 0, which means the size is not known.
std::wstring FormatSize(std::uint64_t bytes, LangId language);
