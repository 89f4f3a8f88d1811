#pragma once
// The disks holding the Windows directory and the device nodes above them: the
// storage stack Windows needs to reach its own disk.
#include <windows.h>

#include <cfgmgr32.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "analysis/inf_name_set.h"

// Device instance IDs; Windows matches them without regard to letter case.
using DeviceInstanceIdSet = std::set<std::wstring, InfNameLess>;

// The disk numbers of the volume holding `windowsDirectory`; empty on any failure.
std::set<DWORD> GetWindowsVolumeDisks(const std::wstring& windowsDirectory);

// The disk numbers of a VOLUME_DISK_EXTENTS answer of `returned` bytes; empty
// when the answer is too short for the extents it counts.
std::set<DWORD> DiskNumbersFromExtents(const std::uint8_t* data, std::size_t returned);

// One disk interface and the device node it belongs to.
struct DiskDevice {
    DWORD Number = 0;
    DEVINST Node = 0;
};

enum class DiskQuery { End, Unreadable, Found };
using DiskAt = std::function<DiskQuery(DWORD index, DiskDevice& disk)>;
using ParentOf = std::function<std::optional<DEVINST>(DEVINST node)>;

// Walks the disk interfaces while numbers of `diskNumbers` remain unfound; each
// disk found adds its node and every ancestor up to one already collected.
// `complete` tells whether every number was found.
std::set<DEVINST> SelectBootDiskNodes(std::set<DWORD> diskNumbers, const DiskAt& diskAt, const ParentOf& parentOf,
                                      bool& complete);

// The instance IDs of the Windows disks' device nodes and all their ancestors.
// `complete` is false unless every disk of the Windows volume was found.
DeviceInstanceIdSet FindBootDiskDevices(const std::wstring& windowsDirectory, bool& complete);
