#pragma once
// Test programs run in parallel against one device list. A device removed while
// another process enumerates makes that enumeration fail (the platform reports
// the vanished device as an error), so every test that creates devices, or reads
// the whole list, holds this lock while it does.
#include <windows.h>

#include "core/unique_handle.h"

namespace sim {

class DeviceListLock {
public:
    DeviceListLock();  // waits for the lock; a holder that died hands it on
    DeviceListLock(const DeviceListLock&) = delete;
    DeviceListLock& operator=(const DeviceListLock&) = delete;
    ~DeviceListLock();

    [[nodiscard]] bool Held() const noexcept { return held_; }

private:
    KernelHandle mutex_;
    bool held_ = false;
};

}  // namespace sim
