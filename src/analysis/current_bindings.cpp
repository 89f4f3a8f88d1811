#include "analysis/current_bindings.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <initguid.h>
#include <setupapi.h>

#include <devpkey.h>

#include <optional>
#include <utility>

#include "analysis/device_property.h"
#include "analysis/system_error_text.h"
#include "core/unique_handle.h"
#include "platform/package_text.h"

namespace {

bool IsDeviceRunning(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    const std::optional<bool> present = ReadDeviceBoolean(devices, device, DEVPKEY_Device_IsPresent);
    if (!present || !*present) return false;
    const std::optional<ULONG> status = ReadDeviceUint32(devices, device, DEVPKEY_Device_DevNodeStatus);
    return status && (*status & (DN_STARTED | DN_NEED_RESTART | DN_HAS_PROBLEM)) == DN_STARTED;
}

DeviceBinding DescribeDevice(HDEVINFO devices, SP_DEVINFO_DATA& device, const std::wstring& infName, bool running) {
    DeviceBinding record;
    record.InfName = infName;
    // A device that is not running is named too: an inventory lists it.
    if (std::optional<std::wstring> instanceId = ReadDeviceInstanceId(devices, device))
        record.InstanceId = std::move(*instanceId);
    const bool hardwareIdsRead =
        ReadDeviceStrings(devices, device, DEVPKEY_Device_HardwareIds, true, record.HardwareIds) == ERROR_SUCCESS;
    if (!running || !hardwareIdsRead || record.InstanceId.empty()) return record;
    std::vector<std::wstring> matchingId;
    if (ReadDeviceStrings(devices, device, DEVPKEY_Device_MatchingDeviceId, false, matchingId) != ERROR_SUCCESS) {
        return record;
    }
    record.MatchingDeviceId = std::move(matchingId.front());
    record.Running = true;
    return record;
}

// The INF name of the device's driver; empty when it has none.
bool ReadDriverInfName(HDEVINFO devices, SP_DEVINFO_DATA& device, std::wstring& name, DWORD& code) {
    std::wstring path;
    const DriverInfPathRead read = ReadDriverInfPath(devices, device, path, code);
    name = read == DriverInfPathRead::Found ? FileNamePart(path) : std::wstring();
    return read != DriverInfPathRead::Failed;
}

}  // namespace

bool ReadCurrentBindings(InfNameSet& usedInfs, std::uint64_t& devicesExamined, std::wstring& error,
                         std::vector<DeviceBinding>* bindings, bool includeAll) {
    usedInfs.clear();
    if (bindings) bindings->clear();
    error.clear();
    devicesExamined = 0;
    auto fail = [&](std::wstring text) {
        usedInfs.clear();
        if (bindings) bindings->clear();
        error = std::move(text);
        return false;
    };

    // Without DIGCF_PRESENT: a disconnected device still holds on to its driver package.
    DeviceInfoList devices(::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES));
    if (!devices) {
        return fail(L"Не удалось получить список установленных устройств: " + FormatSystemError(::GetLastError()));
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!::SetupDiEnumDeviceInfo(devices.get(), index, &device)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_NO_MORE_ITEMS) break;
            return fail(L"Ошибка перечисления установленных устройств: " + FormatSystemError(code));
        }
        ++devicesExamined;

        std::wstring infName;
        DWORD code = ERROR_SUCCESS;
        if (!ReadDriverInfName(devices.get(), device, infName, code)) {
            return fail(L"Не удалось прочитать привязку INF устройства: " + FormatSystemError(code));
        }
        if (infName.empty()) continue;
        usedInfs.insert(infName);
        if (!bindings) continue;

        const bool running = IsDeviceRunning(devices.get(), device);
        if (!running && !includeAll) continue;
        DeviceBinding record = DescribeDevice(devices.get(), device, infName, running);

        // A driver installed while the device was read would make the record describe two drivers.
        std::wstring secondName;
        if (!ReadDriverInfName(devices.get(), device, secondName, code)) {
            return fail(L"Не удалось повторно прочитать привязку INF устройства: " + FormatSystemError(code));
        }
        if (!secondName.empty()) usedInfs.insert(secondName);
        if (SameInfName(infName, secondName)) bindings->push_back(std::move(record));
    }
    devices.reset();

    if (devicesExamined == 0 || usedInfs.empty()) {
        return fail(
            L"Windows не вернула ни одного драйвера установленных устройств. Выбор устаревших пакетов отменён для "
            L"безопасности.");
    }
    return true;
}
