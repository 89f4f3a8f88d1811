#include "analysis/storage_stack.h"

#include <initguid.h>
#include <objbase.h>
#include <setupapi.h>

#include <devpkey.h>

#include <map>
#include <optional>

#include "analysis/class_filters.h"
#include "analysis/device_property.h"
#include "analysis/running_services.h"
#include "core/unique_handle.h"
#include "platform/package_text.h"

namespace {

constexpr ULONG kServiceBufferBytes = 512;

bool IsBootDevice(HDEVINFO devices, SP_DEVINFO_DATA& device, const DeviceInstanceIdSet& bootDevices) {
    if (bootDevices.empty()) return false;
    const std::optional<std::wstring> id = ReadDeviceInstanceId(devices, device);
    return id && bootDevices.count(*id) != 0;
}

std::wstring ParentService(DEVINST device) {
    DEVINST parent = 0;
    return ::CM_Get_Parent(&parent, device, 0) == CR_SUCCESS ? ReadDeviceService(parent) : std::wstring();
}

void AppendDeviceFilters(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key, ServiceNameSet& candidates) {
    std::vector<std::wstring> filters;
    if (ReadDeviceStrings(devices, device, key, true, filters) != ERROR_SUCCESS) return;
    candidates.insert(filters.begin(), filters.end());
}

// Class filters, read once per class during a pass.
class ClassFilterCache {
public:
    const std::vector<std::wstring>& Filters(const GUID& classGuid) {
        wchar_t text[40] = {};
        if (::StringFromGUID2(classGuid, text, 40) == 0) return none_;
        auto [entry, added] = filters_.try_emplace(text);
        if (added) entry->second = ReadClassFilters(classGuid);
        return entry->second;
    }

private:
    std::map<std::wstring, std::vector<std::wstring>> filters_;
    const std::vector<std::wstring> none_{};
};

}  // namespace

std::wstring ReadDeviceService(DEVINST device) {
    // WCHAR elements keep the string aligned.
    WCHAR buffer[kServiceBufferBytes / sizeof(WCHAR)] = {};
    DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
    ULONG bytes = kServiceBufferBytes;
    if (::CM_Get_DevNode_PropertyW(device, &DEVPKEY_Device_Service, &type, reinterpret_cast<PBYTE>(buffer), &bytes,
                                   0) != CR_SUCCESS ||
        type != DEVPROP_TYPE_STRING || bytes > kServiceBufferBytes) {
        return {};
    }
    std::optional<std::vector<std::wstring>> service =
        DecodePropertyStrings(reinterpret_cast<const BYTE*>(buffer), bytes, false);
    return service ? std::move(service->front()) : std::wstring();
}

std::vector<std::wstring> StackFilterServices(const std::vector<std::wstring>& stack, const std::wstring& ownService,
                                              const std::wstring& parentService) {
    std::vector<std::wstring> filters;
    for (const std::wstring& entry : stack) {
        std::wstring service = FileNamePart(entry);
        if (service.empty() || SameInfName(service, ownService) || SameInfName(service, parentService)) continue;
        filters.push_back(std::move(service));
    }
    return filters;
}

void CollectStackFacts(const DeviceInstanceIdSet& bootDevices, InfNameSet& bootStorageInfs,
                       ServiceNameSet& filterServices) {
    const DeviceInfoList devices(::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!devices) return;
    ServiceNameSet candidates;
    ClassFilterCache classFilters;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(devices.get(), index, &device); ++index) {
        const std::wstring service = ReadDeviceService(device.DevInst);
        if (!service.empty() && IsBootDevice(devices.get(), device, bootDevices)) {
            std::wstring path;
            DWORD code = ERROR_SUCCESS;
            if (ReadDriverInfPath(devices.get(), device, path, code) == DriverInfPathRead::Found) {
                if (std::wstring name = FileNamePart(path); !name.empty()) bootStorageInfs.insert(std::move(name));
            }
        }

        std::vector<std::wstring> stack;
        if (ReadDeviceStrings(devices.get(), device, DEVPKEY_Device_Stack, true, stack) == ERROR_SUCCESS) {
            for (std::wstring& filter : StackFilterServices(stack, service, ParentService(device.DevInst))) {
                filterServices.insert(std::move(filter));
            }
            continue;
        }
        // Without the stack, the filters configured for a started device stand in for it.
        const std::optional<ULONG> status = ReadDeviceUint32(devices.get(), device, DEVPKEY_Device_DevNodeStatus);
        if (!status || !(*status & DN_STARTED)) continue;
        AppendDeviceFilters(devices.get(), device, DEVPKEY_Device_UpperFilters, candidates);
        AppendDeviceFilters(devices.get(), device, DEVPKEY_Device_LowerFilters, candidates);
        const std::vector<std::wstring>& ofClass = classFilters.Filters(device.ClassGuid);
        candidates.insert(ofClass.begin(), ofClass.end());
    }
    const ServiceNameSet running = SelectRunningServices(candidates);
    filterServices.insert(running.begin(), running.end());
}
