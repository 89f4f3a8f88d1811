#pragma once
// Devices created in the running system's device list through SetupDi, the way
// Windows would report them to the device manager: present or disconnected,
// started, with a problem or waiting for a restart, with their driver's INF,
// hardware and matching IDs, service and driver stack. Wine derives no device
// property, so every one a test needs is set explicitly.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "devices/device_list_lock.h"

namespace sim {

struct FakeDeviceSpec {
    std::wstring InstanceId;                    // ROOT\<device>\<instance>, unique per test; kept upper-case
    std::vector<std::wstring> HardwareIds;      // at least one: the registry's hardware IDs
    bool ReportHardwareIds = true;              // also as DEVPKEY_Device_HardwareIds
    bool ReportInstanceId = false;              // DEVPKEY_Device_InstanceId, as Windows reports it and Wine never does
    std::optional<std::wstring> DriverInfPath;  // absent: the device has no driver
    std::optional<std::wstring> MatchingDeviceId;
    std::optional<bool> IsPresent;
    std::optional<ULONG> DevNodeStatus;  // DN_* bits
    std::optional<ULONG> ProblemCode;    // CM_PROB_*, with DN_HAS_PROBLEM
    std::optional<std::wstring> Service;
    std::vector<std::wstring> Stack;  // \Driver\<service> entries, top first; empty: not reported
};

// Text unique to this process and call, for instance IDs and INF names of one test.
std::wstring UniqueDeviceTag();

// A device that is present, started and fully described, bound to `infPath`.
FakeDeviceSpec RunningDevice(const std::wstring& instanceId, const std::wstring& infPath,
                             const std::vector<std::wstring>& hardwareIds);

// Devices of one test: created on Add, removed when this object ends. Holds the
// device list lock for its whole life.
class FakeDevices {
public:
    FakeDevices() = default;
    FakeDevices(const FakeDevices&) = delete;
    FakeDevices& operator=(const FakeDevices&) = delete;
    ~FakeDevices();

    [[nodiscard]] bool Add(const FakeDeviceSpec& spec, std::wstring& error);
    // The devices added so far stay when this object ends (a demonstration prefix keeps them).
    void Keep() { created_.clear(); }

private:
    DeviceListLock lock_;
    std::vector<std::wstring> created_;
};

// Binds an existing device to another driver INF, as a driver update would.
[[nodiscard]] bool ChangeDriverInfPath(const std::wstring& instanceId, const std::wstring& infPath,
                                       std::wstring& error);

}  // namespace sim
