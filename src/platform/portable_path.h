#pragma once
// Paths handed to another process that may run under another account: an
// elevated copy has its own current directory and does not see the drive
// letters that the caller's logon mapped to network shares.
#include <string>

// The absolute form of `path` in this process, with a drive mapped to a network
// share replaced by the share's UNC name. Empty when it cannot be made absolute.
std::wstring PortableAbsolutePath(const std::wstring& path);
