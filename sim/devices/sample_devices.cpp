#include "devices/sample_devices.h"

namespace sim {

std::vector<FakeDeviceSpec> SampleDemoDevices(const std::wstring& tag) {
    struct Device {
        const wchar_t* Inf;
        const wchar_t* HardwareId;
        const wchar_t* Service;
    };
    const Device devices[] = {
        {L"oem12.inf", L"PCI\\VEN_1F3A&DEV_7A21", L"qtgfx"},
        {L"oem11.inf", L"PCI\\VEN_1E4A&DEV_15F3", L"brwnet"},
        {L"oem5.inf", L"PCI\\VEN_1E4A&DEV_2725", L"brwwifi"},
        {L"oem2.inf", L"HDAUDIO\\FUNC_01&VEN_14F2&DEV_0295", L""},
        {L"oem4.inf", L"PCI\\VEN_1D9C&DEV_0A0E&CC_0106", L"owstor"},
    };
    std::vector<FakeDeviceSpec> specs;
    for (const Device& device : devices) {
        FakeDeviceSpec spec = RunningDevice(L"ROOT\\QUILLBAYSAMPLE\\" + tag + std::to_wstring(specs.size()),
                                            device.Inf, {device.HardwareId});
        if (*device.Service) spec.Service = device.Service;
        specs.push_back(std::move(spec));
    }
    return specs;
}

}  // namespace sim
