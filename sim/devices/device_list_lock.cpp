#include "devices/device_list_lock.h"

namespace sim {

DeviceListLock::DeviceListLock() : mutex_(::CreateMutexW(nullptr, FALSE, L"Local\\QuillbayTestDeviceList")) {
    if (!mutex_) return;
    const DWORD wait = ::WaitForSingleObject(mutex_.get(), INFINITE);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

DeviceListLock::~DeviceListLock() {
    if (held_) ::ReleaseMutex(mutex_.get());
}

}  // namespace sim
