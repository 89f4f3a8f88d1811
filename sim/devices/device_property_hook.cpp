#include "devices/device_property_hook.h"

#include <cfgmgr32.h>

#include <cstring>
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

// The import address table entry of the main program that holds `target`.
void** FindImportSlot(void* target) {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name;
         ++module) {
        for (auto* slot = reinterpret_cast<void**>(base + module->FirstThunk); *slot; ++slot) {
            if (*slot == target) return slot;
        }
    }
    return nullptr;
}

bool WriteSlot(void** slot, void* value) {
    DWORD protection = 0;
    if (!::VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection)) return false;
    *slot = value;
    ::VirtualProtect(slot, sizeof(*slot), protection, &protection);
    return true;
}

}  // namespace

bool IsSameDevicePropertyKey(const DEVPROPKEY& a, const DEVPROPKEY& b) noexcept {
    return a.pid == b.pid && std::memcmp(&a.fmtid, &b.fmtid, sizeof(GUID)) == 0;
}

DevicePropertyHook::DevicePropertyHook(DevicePropertyHandler handler) {
    if (g_platform) return;  // another hook is in place
    HMODULE setupapi = ::GetModuleHandleW(L"setupapi.dll");
    auto* platform =
        setupapi ? reinterpret_cast<void*>(::GetProcAddress(setupapi, "SetupDiGetDevicePropertyW")) : nullptr;
    void** slot = platform ? FindImportSlot(platform) : nullptr;
    if (!slot) return;
    g_handler = std::move(handler);
    g_platform = reinterpret_cast<GetDevicePropertyFunction>(platform);
    if (!WriteSlot(slot, reinterpret_cast<void*>(&InterceptGetDeviceProperty))) {
        g_handler = nullptr;
        g_platform = nullptr;
        return;
    }
    slot_ = slot;
}

DevicePropertyHook::~DevicePropertyHook() {
    if (!slot_) return;
    (void)WriteSlot(slot_, reinterpret_cast<void*>(g_platform));
    g_platform = nullptr;
    g_handler = nullptr;
}

}  // namespace sim
