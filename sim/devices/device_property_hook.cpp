#include "devices/device_property_hook.h"

#include <cfgmgr32.h>

#include <cstring>
#include <memory>
#include <utility>

namespace sim {
namespace {

using GetDevicePropertyFunction = decltype(&::SetupDiGetDevicePropertyW);

DevicePropertyHandler g_handler;
GetDevicePropertyFunction g_platform = nullptr;

BOOL WINAPI InterceptGetDeviceProperty(HDEVINFO devices, PSP_DEVINFO_DATA device, const DEVPROPKEY* key,
                                       DEVPROPTYPE* type, PBYTE buffer, DWORD bufferSize, PDWORD requiredSize,
                                       DWORD flags) {
    wchar_t instanceId[MAX_DEVICE_ID_LEN + 1] = {};
    if (g_handler && device && key &&
        ::SetupDiGetDeviceInstanceIdW(devices, device, instanceId, MAX_DEVICE_ID_LEN + 1, nullptr)) {
        const DWORD code = g_handler({instanceId, *key, buffer == nullptr || bufferSize == 0});
        if (code != ERROR_SUCCESS) {
            ::SetLastError(code);
            return FALSE;
        }
    }
    return g_platform(devices, device, key, type, buffer, bufferSize, requiredSize, flags);
}

}  // namespace

bool IsSameDevicePropertyKey(const DEVPROPKEY& a, const DEVPROPKEY& b) noexcept {
    return a.pid == b.pid && std::memcmp(&a.fmtid, &b.fmtid, sizeof(GUID)) == 0;
}

DevicePropertyHook::DevicePropertyHook(DevicePropertyHandler handler) {
    if (g_platform) return;  // another hook is in place
    g_handler = std::move(handler);
    hook_ = std::make_unique<ImportHook>(L"setupapi.dll", "SetupDiGetDevicePropertyW",
                                         reinterpret_cast<void*>(&InterceptGetDeviceProperty));
    if (!hook_->Installed()) {
        hook_.reset();
        g_handler = nullptr;
        return;
    }
    g_platform = hook_->Platform<GetDevicePropertyFunction>();
}

DevicePropertyHook::~DevicePropertyHook() {
    if (!hook_) return;
    hook_.reset();
    g_platform = nullptr;
    g_handler = nullptr;
}

}  // namespace sim
