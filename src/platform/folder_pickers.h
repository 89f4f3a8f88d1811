#pragma once
// The shell's pickers for a folder and for an archive file. They show UI and
// return what the user chose; the caller's thread must have COM initialised.
#include <windows.h>

#include <string>

// The display names of the archive picker's three filters.
struct ArchiveFilterLabels {
    std::wstring SevenZip;   // for *.7z
    std::wstring Supported;  // for every archive format 7-Zip unpacks for us
    std::wstring AllFiles;   // for *.*
};

// The common file dialog picking a folder; the older folder browser where that
// dialog cannot be used. False when cancelled; true with a non-empty path.
[[nodiscard]] bool PickFolder(HWND owner, const std::wstring& title, const std::wstring& initialPath,
                              std::wstring& path);

// The common file dialog picking an existing archive; the older open-file dialog
// where that dialog cannot be used. An initial path naming a file is preset,
// otherwise it is the folder to start in. False when cancelled.
[[nodiscard]] bool PickArchive(HWND owner, const std::wstring& title, const std::wstring& initialPath,
                               const ArchiveFilterLabels& labels, std::wstring& path);
