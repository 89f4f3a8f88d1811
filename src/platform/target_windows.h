#pragma once
// Which Windows installations the program can work on, Windows PE, and the
// user's default folders and the system drive's icon.
#include <windows.h>

#include <string>
#include <vector>

#include "core/localized_text.h"

// One Windows installation the program can work on: an entry of the target list
// and the chosen target.
struct TargetWindows {
    std::wstring Label;      // display text naming the kind and the root; follows the interface language
    std::wstring Root;       // the folder that contains the Windows directory (a drive root or any folder)
    bool IsCurrent = false;  // the running Windows
};

// root\Windows\System32\Config\SYSTEM and root\Windows\System32\DriverStore
// exist; nothing is opened.
bool IsWindowsRoot(const std::wstring& root);

// `root`\Windows is the folder the running Windows runs from: the same folder on
// disk, however the path names it (another case, a drive letter of a subst or a
// share); false when either cannot be opened.
bool IsRunningWindowsRoot(const std::wstring& root);

// The root a chosen folder stands for: lexically normalised, a chosen Windows
// folder replaced by its parent, a bare drive given its backslash ("D:" -> "D:\").
std::wstring NormalizeTargetRoot(const std::wstring& folder);

// The running Windows (not under Windows PE) first, then every other drive
// letter, A to Z, whose root holds an installation. CD-ROM drives are skipped.
std::vector<TargetWindows> EnumerateTargets(LangId language);

// The Label of a target in that language.
std::wstring TargetLabel(LangId language, const std::wstring& root, bool isCurrent);

// HKLM\SYSTEM\CurrentControlSet\Control\MiniNT exists.
bool IsWindowsPE();

// The user's desktop joined with `folderName`; falls back to USERPROFILE\Desktop,
// then to the current directory.
std::wstring DefaultBackupFolder(const std::wstring& folderName);

// The small icon of the drive Windows runs from, or null; the caller destroys it.
HICON SystemDriveIcon();
