#pragma once
// Packing a folder into a .7z archive and unpacking one, through the 7-Zip
// console program. Progress as Run7Zip reports it; errors as complete Russian texts.
#include <functional>
#include <string>

#include "operations/seven_zip_locator.h"

// The archive holds the folder's content with paths relative to the folder. The
// archive's folder is created when missing.
[[nodiscard]] bool CreateSevenZipArchive(const SevenZipTool& tool, const std::wstring& sourceFolder,
                                         const std::wstring& archivePath, std::wstring& error,
                                         const std::function<void(int)>& progress);

// Unpacks everything into `destinationFolder` (created when missing), replacing
// files of the same names.
[[nodiscard]] bool ExtractSevenZipArchive(const SevenZipTool& tool, const std::wstring& archivePath,
                                          const std::wstring& destinationFolder, std::wstring& error,
                                          const std::function<void(int)>& progress);
