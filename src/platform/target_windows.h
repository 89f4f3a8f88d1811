#pragma once
// Where a target Windows is, and the user's default folders.
#include <string>

// The user's desktop joined with `folderName`; falls back to USERPROFILE\Desktop,
// then to the current directory.
std::wstring DefaultBackupFolder(const std::wstring& folderName);
