// qb-seed-devices: adds the demonstration devices to the running system, each
// bound to a package of the sample that qb-seed writes, and leaves them there.
#include <windows.h>

#include <setupapi.h>

#include <string>

#include "core/unique_handle.h"
#include "devices/sample_devices.h"
#include "sim_text.h"

using namespace sim;

namespace {

constexpr wchar_t kDemoTag[] = L"DEMO";

void WriteLine(DWORD stream, const std::wstring& text) {
    const std::string bytes = ToUtf8(text + L"\r\n");
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool DeviceExists(const std::wstring& instanceId) {
    DeviceInfoList devices(::SetupDiCreateDeviceInfoList(nullptr, nullptr));
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    return devices && ::SetupDiOpenDeviceInfoW(devices.get(), instanceId.c_str(), nullptr, 0, &device);
}

}  // namespace

int wmain(int argc, wchar_t**) {
    if (argc != 1) {
        WriteLine(STD_ERROR_HANDLE, L"Usage: qb-seed-devices");
        return 2;
    }
    FakeDevices devices;
    int added = 0;
    for (const FakeDeviceSpec& spec : SampleDemoDevices(kDemoTag)) {
        if (DeviceExists(spec.InstanceId)) continue;
        std::wstring error;
        if (!devices.Add(spec, error)) {
            WriteLine(STD_ERROR_HANDLE, L"qb-seed-devices: " + error);
            return 1;
        }
        ++added;
    }
    devices.Keep();
    WriteLine(STD_OUTPUT_HANDLE, L"Added " + std::to_wstring(added) + L" sample devices to the running Windows.");
    return 0;
}
