#pragma once
// The version of a 7-Zip executable as 7-Zip itself writes it ("24.09"), and the
// status line shown to the user.
#include <cstdint>
#include <string>

#include "core/localized_text.h"
#include "operations/seven_zip_locator.h"

// From the executable's version resource; empty when it cannot be read.
std::wstring Read7ZipVersion(const SevenZipTool& tool);

// The product version, or the file version when the product version is 0.0.0.0:
// 24.9.0.0 gives "24.09", 9.20.0.0 "9.20", 24.9.0.1 "24.09.0.1"; empty when both are 0.
std::wstring FormatSevenZipVersion(std::uint32_t productHigh, std::uint32_t productLow, std::uint32_t fileHigh,
                                   std::uint32_t fileLow);

// "7-Zip detected. Version 24.09." and its companions, in `language`.
std::wstring SevenZipStatusText(const SevenZipTool& tool, LangId language);
