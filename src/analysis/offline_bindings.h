#pragma once
// Which INF files the devices of an offline Windows use, read from its SYSTEM hive:
// the InfPath of every driver key under Control\Class. No per-device detail.
#include <string>

#include "analysis/inf_name_set.h"

class OfflineKey;

// Loads <targetRoot>\Windows\System32\Config\SYSTEM for one walk and unloads it.
[[nodiscard]] bool ReadOfflineBindings(const std::wstring& targetRoot, InfNameSet& usedInfs, std::wstring& error);

// The walk over an open SYSTEM hive. Never a partial set: any unreadable class or
// driver key, or a driver key with an unusable InfPath, fails the whole walk, and
// so does finding no InfPath at all. On failure `usedInfs` is empty.
[[nodiscard]] bool ReadClassInfPaths(const OfflineKey& hiveRoot, InfNameSet& usedInfs, std::wstring& error);
