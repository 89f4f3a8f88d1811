#pragma once
// Version, build, product type and processor architecture of an offline
// installation, from its SOFTWARE and SYSTEM hives and its kernel's PE header.
#include <string>

#include "platform/offline_windows_version.h"

// Never fails: reading stops at the first piece that cannot be read and keeps
// what was read before it; both hives unreadable gives all zeros.
OfflineWindowsVersion ReadOfflineWindowsVersion(const std::wstring& root);
