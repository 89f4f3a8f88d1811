#pragma once
// Version, build, product type and processor architecture of an offline
// installation, from its SOFTWARE and SYSTEM hives and its kernel's PE header.
#include <string>

#include "platform/offline_windows_version.h"

// Never fails: the version (from the CurrentVersion text where the numbers are
// missing, as on Windows 7 and 8.x), the product type and the kernel's
// architecture are read each on its own, and every piece read is kept.
// `unread` receives one log line naming what could not be read, or nothing.
OfflineWindowsVersion ReadOfflineWindowsVersion(const std::wstring& root, std::wstring& unread);
