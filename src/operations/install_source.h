#pragma once
// Turning an install source (a folder, or a 7z archive unpacked into the user's
// temporary folder) into the records of the INF files it holds.
#include <string>
#include <vector>

#include "core/localized_text.h"
#include "core/operation_callbacks.h"
#include "platform/driver_package.h"

// What the scan job hands back; the caller reads it only after the job returned.
struct InstallSourceScan {
    std::vector<DriverPackage> Packages;  // in walk order, SizeBytes = the INF's folder
    std::wstring Error;                   // why no list was produced
    bool Done = false;                    // the scan ran to its end
};

// The scan job. Discards the previous extraction folder first. An archive is
// unpacked into "<temp>\Quillbay-archive-<timestamp>-<suffix>", stored in
// `extractionFolder` before 7-Zip starts so that it is discarded later whatever
// happens; the records point into it. Every *.inf below the folder (any letter
// case) gives one record, duplicates included. Checks callbacks.Cancelled before
// the walk, for every walked entry and twice per INF, and throws
// OperationCancelled; a running 7-Zip is never stopped.
void ScanInstallSource(const std::wstring& source, bool isArchive, LangId language, const OperationCallbacks& callbacks,
                       std::wstring& extractionFolder, InstallSourceScan& result);

// Removes the stored extraction folder, but only when it is a
// "Quillbay-archive-" folder directly inside the user's temporary folder, and
// forgets it in every case.
void DiscardExtractedSource(std::wstring& extractionFolder);
