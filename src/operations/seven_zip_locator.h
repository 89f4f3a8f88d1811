#pragma once
// Finding the 7-Zip console program.
#include <string>

// The located executable: a full path, empty when no 7-Zip was found.
struct SevenZipTool {
    std::wstring Path;
};

// Where to look besides the environment ("ProgramFiles", "ProgramFiles(x86)", "PATH").
struct SevenZipSearchPlaces {
    std::wstring ProgramFolder;   // the running program's folder; empty when unknown
    std::wstring RegistrySubkey;  // holds "Path"; read under HKLM, then HKCU, 64-bit view
};

// This program's folder and "SOFTWARE\7-Zip".
SevenZipSearchPlaces StandardSevenZipSearchPlaces();

// The first existing file of: 7z.exe and 7zz.exe in the program folder; 7z.exe in
// the registry's "Path" under HKLM, then HKCU; "<ProgramFiles>\7-Zip\7z.exe", then
// the same under "ProgramFiles(x86)"; finally 7z.exe, then 7zz.exe, in the program
// folder and the folders of PATH. This program runs elevated, so the current
// folder is never searched and a candidate that is not an absolute path (which
// would resolve against it) is skipped.
SevenZipTool Locate7Zip(const SevenZipSearchPlaces& places);
SevenZipTool Locate7Zip();
