#pragma once
// Finding the 7-Zip console program.
#include <functional>
#include <string>
#include <vector>

// The located executable: a full path, empty when no 7-Zip was found.
struct SevenZipTool {
    std::wstring Path;
};

// Where to look besides the environment ("ProgramFiles", "ProgramFiles(x86)", "PATH").
struct SevenZipSearchPlaces {
    std::wstring ProgramFolder;   // the running program's folder; empty when unknown
    std::wstring RegistrySubkey;  // holds "Path"; read under HKLM, then HKCU, 64-bit view
    // An unelevated process of the same user can change HKCU and PATH; an elevated
    // one takes a 7-Zip from them only inside these folders.
    bool Elevated = false;
    std::vector<std::wstring> ProtectedFolders;
};

// This program's folder, "SOFTWARE\7-Zip", whether the process is elevated, and
// the Program Files folders and the Windows folder.
SevenZipSearchPlaces StandardSevenZipSearchPlaces();

// The first existing file of: 7z.exe and 7zz.exe in the program folder; 7z.exe in
// the registry's "Path" under HKLM, then HKCU; "<ProgramFiles>\7-Zip\7z.exe", then
// the same under "ProgramFiles(x86)"; finally 7z.exe, then 7zz.exe, in the program
// folder and the folders of PATH. The current folder is never searched and a
// candidate that is not an absolute path (which would resolve against it) is
// skipped. When elevated, an existing candidate from HKCU or PATH outside the
// protected folders is skipped too, and `log` receives a line saying why.
SevenZipTool Locate7Zip(const SevenZipSearchPlaces& places, const std::function<void(const std::wstring&)>& log = {});
SevenZipTool Locate7Zip(const std::function<void(const std::wstring&)>& log = {});
