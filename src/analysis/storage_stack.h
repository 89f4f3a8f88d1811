#pragma once
// What the present devices say about their drivers: which INFs drive the storage
// stack of the Windows disk, and which filter drivers sit in device stacks.
#include <windows.h>

#include <cfgmgr32.h>

#include <string>
#include <vector>

#include "analysis/boot_disk.h"
#include "analysis/inf_name_set.h"
#include "analysis/service_name_set.h"

// The function driver's service of a device node; empty when it has none or the
// value is not a terminated string of at most 512 bytes.
std::wstring ReadDeviceService(DEVINST device);

// The entries of a driver stack (\Driver\<service>, top first) that filter the
// device: every service named that is neither the device's own nor its parent's.
std::vector<std::wstring> StackFilterServices(const std::vector<std::wstring>& stack, const std::wstring& ownService,
                                              const std::wstring& parentService);

// One pass over the present devices. A device of `bootDevices` that has a service
// adds its driver's INF name to `bootStorageInfs`. A device that reports its
// driver stack adds the stack's filters to `filterServices`; a started device
// that does not report it adds its own and its class's upper and lower filters,
// as far as they run now.
void CollectStackFacts(const DeviceInstanceIdSet& bootDevices, InfNameSet& bootStorageInfs,
                       ServiceNameSet& filterServices);
