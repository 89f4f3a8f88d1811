#pragma once
// Which INF every device of the running Windows uses, asked of the device manager
// device by device.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/inf_name_set.h"

// One device and the driver it uses.
struct DeviceBinding {
    std::wstring InfName;                   // file-name part of the driver's INF path, never empty
    std::wstring InstanceId;                // empty only when it could not be read, never when Running
    std::wstring MatchingDeviceId;          // the ID Windows matched the driver by; empty unless Running
    std::vector<std::wstring> HardwareIds;  // as Windows reports them; empty when they could not be read
    // Present, started, no problem, no pending restart, and hardware IDs, instance
    // ID and matching device ID all read.
    bool Running = false;
};

// Every device, present or not, puts its driver's INF name into `usedInfs`. With
// `bindings`, running devices (every device with a driver when `includeAll`) get a
// record; a device whose driver changes while it is read gets none. Fails unless
// at least one device with a driver was seen; on failure both outputs are emptied.
[[nodiscard]] bool ReadCurrentBindings(InfNameSet& usedInfs, std::uint64_t& devicesExamined, std::wstring& error,
                                       std::vector<DeviceBinding>* bindings, bool includeAll);
