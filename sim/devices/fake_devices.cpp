#include "devices/fake_devices.h"

#include <cfgmgr32.h>
#include <initguid.h>
#include <setupapi.h>

#include <devpkey.h>

#include <atomic>
#include <cstring>

#include "core/unique_handle.h"

#ifdef __MINGW32__
// The import library has it; mingw's header lacks the declaration.
extern "C" DECLSPEC_IMPORT BOOL WINAPI SetupDiSetDevicePropertyW(HDEVINFO DeviceInfoSet,
                                                                 PSP_DEVINFO_DATA DeviceInfoData,
                                                                 const DEVPROPKEY* PropertyKey,
                                                                 DEVPROPTYPE PropertyType, const BYTE* PropertyBuffer,
                                                                 DWORD PropertyBufferSize, DWORD Flags);
#endif

namespace sim {
namespace {

// A class of their own keeps fixture devices apart from everything the system has.
constexpr GUID kFixtureClass = {0x6b1c0e11, 0x2f3a, 0x4c55, {0x9a, 0x10, 0x51, 0x7e, 0x33, 0x0d, 0x6a, 0x42}};

std::wstring Failure(const wchar_t* call, const std::wstring& instanceId) {
    return std::wstring(call) + L" for " + instanceId + L" failed with " + std::to_wstring(::GetLastError());
}

std::vector<BYTE> StringBytes(const std::vector<std::wstring>& items, bool list) {
    std::wstring joined;
    for (const std::wstring& item : items) joined.append(item).push_back(L'\0');
    if (list) joined.push_back(L'\0');
    std::vector<BYTE> bytes(joined.size() * sizeof(wchar_t));
    std::memcpy(bytes.data(), joined.data(), bytes.size());
    return bytes;
}

bool SetProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key, DEVPROPTYPE type,
                 const std::vector<BYTE>& bytes, const std::wstring& instanceId, std::wstring& error) {
    if (::SetupDiSetDevicePropertyW(devices, &device, &key, type, bytes.data(), static_cast<DWORD>(bytes.size()), 0)) {
        return true;
    }
    error = Failure(L"SetupDiSetDevicePropertyW", instanceId);
    return false;
}

template <typename Value>
std::vector<BYTE> ValueBytes(Value value) {
    std::vector<BYTE> bytes(sizeof(value));
    std::memcpy(bytes.data(), &value, sizeof(value));
    return bytes;
}

bool OpenDevice(const std::wstring& instanceId, DeviceInfoList& devices, SP_DEVINFO_DATA& device, std::wstring& error) {
    devices.reset(::SetupDiCreateDeviceInfoList(&kFixtureClass, nullptr));
    device = {};
    device.cbSize = sizeof(device);
    if (!devices || !::SetupDiOpenDeviceInfoW(devices.get(), instanceId.c_str(), nullptr, 0, &device)) {
        error = Failure(L"SetupDiOpenDeviceInfoW", instanceId);
        return false;
    }
    return true;
}

bool SetProperties(HDEVINFO devices, SP_DEVINFO_DATA& device, const FakeDeviceSpec& spec, const std::wstring& id,
                   std::wstring& error) {
    auto setString = [&](const DEVPROPKEY& key, const std::optional<std::wstring>& value) {
        return !value ||
               SetProperty(devices, device, key, DEVPROP_TYPE_STRING, StringBytes({*value}, false), id, error);
    };
    if (spec.ReportHardwareIds && !SetProperty(devices, device, DEVPKEY_Device_HardwareIds, DEVPROP_TYPE_STRING_LIST,
                                               StringBytes(spec.HardwareIds, true), id, error)) {
        return false;
    }
    if (spec.ReportInstanceId && !setString(DEVPKEY_Device_InstanceId, id)) return false;
    if (!setString(DEVPKEY_Device_DriverInfPath, spec.DriverInfPath) ||
        !setString(DEVPKEY_Device_MatchingDeviceId, spec.MatchingDeviceId) ||
        !setString(DEVPKEY_Device_Service, spec.Service)) {
        return false;
    }
    if (spec.IsPresent) {
        const DEVPROP_BOOLEAN present = *spec.IsPresent ? DEVPROP_TRUE : DEVPROP_FALSE;
        if (!SetProperty(devices, device, DEVPKEY_Device_IsPresent, DEVPROP_TYPE_BOOLEAN, ValueBytes(present), id,
                         error)) {
            return false;
        }
    }
    if (spec.DevNodeStatus && !SetProperty(devices, device, DEVPKEY_Device_DevNodeStatus, DEVPROP_TYPE_UINT32,
                                           ValueBytes(*spec.DevNodeStatus), id, error)) {
        return false;
    }
    if (spec.ProblemCode && !SetProperty(devices, device, DEVPKEY_Device_ProblemCode, DEVPROP_TYPE_UINT32,
                                         ValueBytes(*spec.ProblemCode), id, error)) {
        return false;
    }
    return spec.Stack.empty() || SetProperty(devices, device, DEVPKEY_Device_Stack, DEVPROP_TYPE_STRING_LIST,
                                             StringBytes(spec.Stack, true), id, error);
}

}  // namespace

std::wstring UniqueDeviceTag() {
    static std::atomic<unsigned> counter{0};
    return L"QB" + std::to_wstring(::GetCurrentProcessId()) + L"N" + std::to_wstring(++counter);
}

FakeDeviceSpec RunningDevice(const std::wstring& instanceId, const std::wstring& infPath,
                             const std::vector<std::wstring>& hardwareIds) {
    FakeDeviceSpec spec;
    spec.InstanceId = instanceId;
    spec.HardwareIds = hardwareIds;
    spec.DriverInfPath = infPath;
    spec.MatchingDeviceId = hardwareIds.empty() ? std::wstring() : hardwareIds.front();
    spec.IsPresent = true;
    spec.DevNodeStatus = DN_STARTED | DN_DRIVER_LOADED;
    return spec;
}

FakeDevices::~FakeDevices() {
    for (auto id = created_.rbegin(); id != created_.rend(); ++id) {
        DeviceInfoList devices;
        SP_DEVINFO_DATA device{};
        std::wstring error;
        if (OpenDevice(*id, devices, device, error)) (void)::SetupDiRemoveDevice(devices.get(), &device);
    }
}

bool FakeDevices::Add(const FakeDeviceSpec& spec, std::wstring& error) {
    if (!lock_.Held()) {
        error = L"the device list lock is not held";
        return false;
    }
    if (spec.HardwareIds.empty()) {
        error = L"a fake device needs a hardware ID";
        return false;
    }
    DeviceInfoList devices(::SetupDiCreateDeviceInfoList(&kFixtureClass, nullptr));
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!devices || !::SetupDiCreateDeviceInfoW(devices.get(), spec.InstanceId.c_str(), &kFixtureClass,
                                                L"Quillbay test device", nullptr, 0, &device)) {
        error = Failure(L"SetupDiCreateDeviceInfoW", spec.InstanceId);
        return false;
    }
    const std::vector<BYTE> hardwareIds = StringBytes(spec.HardwareIds, true);
    if (!::SetupDiSetDeviceRegistryPropertyW(devices.get(), &device, SPDRP_HARDWAREID, hardwareIds.data(),
                                             static_cast<DWORD>(hardwareIds.size()))) {
        error = Failure(L"SetupDiSetDeviceRegistryPropertyW", spec.InstanceId);
        return false;
    }
    if (!::SetupDiRegisterDeviceInfo(devices.get(), &device, 0, nullptr, nullptr, nullptr)) {
        error = Failure(L"SetupDiRegisterDeviceInfo", spec.InstanceId);
        return false;
    }
    // The platform keeps the ID in its own letter case.
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (!::SetupDiGetDeviceInstanceIdW(devices.get(), &device, id, MAX_DEVICE_ID_LEN + 1, nullptr)) {
        error = Failure(L"SetupDiGetDeviceInstanceIdW", spec.InstanceId);
        return false;
    }
    created_.push_back(id);
    return SetProperties(devices.get(), device, spec, id, error);
}

bool ChangeDriverInfPath(const std::wstring& instanceId, const std::wstring& infPath, std::wstring& error) {
    DeviceInfoList devices;
    SP_DEVINFO_DATA device{};
    return OpenDevice(instanceId, devices, device, error) &&
           SetProperty(devices.get(), device, DEVPKEY_Device_DriverInfPath, DEVPROP_TYPE_STRING,
                       StringBytes({infPath}, false), instanceId, error);
}

}  // namespace sim
