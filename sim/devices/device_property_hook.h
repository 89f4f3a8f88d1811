#pragma once
// Steps in before every SetupDiGetDevicePropertyW call the test program makes, so
// a test can change a device at an exact moment of a pass over the device list (a
// driver update between two reads of the same device), or have the platform
// refuse a read. One hook at a time.
#include <windows.h>

#include <setupapi.h>

#include <functional>
#include <memory>
#include <string>

#include "import_hook.h"

namespace sim {

struct DevicePropertyCall {
    std::wstring InstanceId;
    DEVPROPKEY Key{};
    bool SizeQuery = false;  // no buffer: the caller asks for the size
};

// ERROR_SUCCESS lets the call go to the platform; another code makes it fail with that code.
using DevicePropertyHandler = std::function<DWORD(const DevicePropertyCall& call)>;

class DevicePropertyHook {
public:
    explicit DevicePropertyHook(DevicePropertyHandler handler);
    DevicePropertyHook(const DevicePropertyHook&) = delete;
    DevicePropertyHook& operator=(const DevicePropertyHook&) = delete;
    ~DevicePropertyHook();

    [[nodiscard]] bool Installed() const noexcept { return hook_ != nullptr; }

private:
    std::unique_ptr<ImportHook> hook_;
};

bool IsSameDevicePropertyKey(const DEVPROPKEY& a, const DEVPROPKEY& b) noexcept;

}  // namespace sim
