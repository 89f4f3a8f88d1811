#pragma once
// A small driver family seeded into the running system with devices that use
// it, and offline roots, for the removal and installation tests of the
// operations and of the window.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/installed_inventory.h"
#include "current_windows_seed.h"
#include "devices/fake_devices.h"
#include "platform/dism_session.h"
#include "platform/target_windows.h"
#include "windows_root_builder.h"

namespace removaltest {

inline constexpr LangId kEnglish = 1;
inline constexpr wchar_t kNetClass[] = L"{4d36e972-e325-11ce-bfc1-08002be10318}";

inline sim::FixturePackage Fixture(const std::wstring& published, const std::wstring& inf,
                                   const std::wstring& version, int year, const std::wstring& hardwareId) {
    sim::FixturePackage package;
    package.PublishedName = published;
    package.InfName = inf;
    package.Provider = L"Quillmark Removal";
    package.ClassName = L"Net";
    package.ClassGuid = kNetClass;
    package.CatalogFile = inf.substr(0, inf.size() - 4) + L".cat";
    package.Version = version;
    package.Date = {year, 1, 1};
    package.Models = {{L"NTamd64", {hardwareId}}};
    package.DriverFiles = {{inf.substr(0, inf.size() - 4) + L".sys", 3000}};
    return package;
}

inline TargetWindows CurrentTarget() {
    wchar_t windowsFolder[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryW(windowsFolder, MAX_PATH);
    return {L"", length > 2 ? std::wstring(windowsFolder, 2) + L"\\" : L"C:\\", true};
}

inline std::wstring PublishedInfPath(const std::wstring& root, const std::wstring& published) {
    return root + L"Windows\\INF\\" + published;
}

// An offline Windows in `folder` with one package per hardware ID: oem1.inf
// (qra.inf), oem2.inf (qrb.inf), ...; a device uses oem2.inf.
inline TargetWindows OfflineWindows(const std::filesystem::path& folder, const std::vector<std::wstring>& hardwareIds,
                                    bool systemHiveClosedCleanly = true) {
    sim::FixtureWindows windows;
    windows.SystemHiveClosedCleanly = systemHiveClosedCleanly;
    for (std::size_t i = 0; i < hardwareIds.size(); ++i) {
        windows.Packages.push_back(Fixture(L"oem" + std::to_wstring(i + 1) + L".inf",
                                           std::wstring(L"qr") + static_cast<wchar_t>(L'a' + i) + L".inf", L"1.0.0.0",
                                           2020, hardwareIds[i]));
    }
    windows.DriverKeys = {{kNetClass, L"oem2.inf"}};
    const std::wstring root = folder.wstring() + L"\\";
    std::wstring error;
    EXPECT_TRUE(sim::BuildWindowsRoot(windows, root, error)) << error;
    return {L"", root, false};
}

// The target's packages as the inventory reads them, only those named in `keep`
// when it is given (other tests seed the same running system meanwhile).
inline std::vector<DriverPackage> ReadPackages(DismSession& dism, const TargetWindows& target,
                                               const std::vector<std::wstring>& keep = {}) {
    InstalledInventory inventory;
    ReadInstalledPackages(dism, target.IsCurrent, target.Root, kEnglish, {}, inventory);
    EXPECT_TRUE(inventory.Done) << inventory.Error;
    if (keep.empty()) return inventory.Packages;
    std::vector<DriverPackage> kept;
    for (const DriverPackage& package : inventory.Packages)
        for (const std::wstring& name : keep)
            if (_wcsicmp(package.PublishedName.c_str(), name.c_str()) == 0) kept.push_back(package);
    return kept;
}

// Four packages of one vendor in the running system, numbered from `base`:
//   1 old qrnet.inf 1.0, used by a running device
//   2 qrcam.inf, unused, the only package for its hardware
//   3 qrnet.inf 2.0, unused: a newer version of 1 for the same hardware
//   4 qrdisk.inf, boot-critical, used by a running device
//   5 qrnet.inf 3.0, unused, for the hardware of 1 and more
// The devices live as long as the scenario, holding the device list lock.
class SeededFamily {
public:
    explicit SeededFamily(int base) : base_(base) {
        std::wstring error;
        sim::FixtureWindows windows;
        windows.Packages = {Fixture(Name(1), L"qrnet.inf", L"1.0.0.0", 2021, HardwareId(1)),
                            Fixture(Name(2), L"qrcam.inf", L"1.0.0.0", 2021, HardwareId(2)),
                            Fixture(Name(3), L"qrnet.inf", L"2.0.0.0", 2022, HardwareId(1)),
                            Fixture(Name(4), L"qrdisk.inf", L"1.0.0.0", 2021, HardwareId(4)),
                            Fixture(Name(5), L"qrnet.inf", L"3.0.0.0", 2023, HardwareId(1))};
        windows.Packages[4].Models[0].HardwareIds.push_back(HardwareId(5));
        windows.Packages[3].Service = sim::FixtureService{L"qrdisk" + std::to_wstring(base), SERVICE_BOOT_START};
        seededOk_ = sim::SeedCurrentWindows(windows, seeded_, error);
        EXPECT_TRUE(seededOk_) << error;
        for (int offset : {1, 4}) {
            const sim::FakeDeviceSpec spec = sim::RunningDevice(DeviceId(offset), Target().Root + L"Windows\\INF\\" +
                                                                                      Name(offset), {HardwareId(offset)});
            EXPECT_TRUE(devices_.Add(spec, error)) << error;
        }
    }
    SeededFamily(const SeededFamily&) = delete;
    SeededFamily& operator=(const SeededFamily&) = delete;
    ~SeededFamily() {
        std::wstring error;
        EXPECT_TRUE(sim::RemoveSeededCurrentWindows(seeded_, error)) << error;
    }

    [[nodiscard]] bool Ready() const { return seededOk_; }
    std::wstring Name(int offset) const { return L"oem" + std::to_wstring(base_ + offset) + L".inf"; }
    std::wstring HardwareId(int offset) const {
        return L"PCI\\VEN_1F4C&DEV_" + std::to_wstring(base_) + L"&SUBSYS_0" + std::to_wstring(offset);
    }
    std::wstring DeviceId(int offset) const {
        return L"ROOT\\QUILLBAYTEST\\" + tag_ + L"D" + std::to_wstring(offset);
    }
    TargetWindows Target() const { return CurrentTarget(); }
    std::wstring PublishedInf(int offset) const { return PublishedInfPath(Target().Root, Name(offset)); }
    std::vector<std::wstring> Names() const { return {Name(1), Name(2), Name(3), Name(4), Name(5)}; }

    // A device that appears later, bound to package `offset` with hardware nobody else serves.
    [[nodiscard]] bool PlugIn(int offset, std::wstring& error) {
        return devices_.Add(sim::RunningDevice(DeviceId(offset) + L"LATE", PublishedInf(offset),
                                               {L"USB\\VID_1F4C&PID_" + std::to_wstring(base_)}),
                            error);
    }

private:
    int base_;
    std::wstring tag_ = sim::UniqueDeviceTag();
    sim::SeededCurrentWindows seeded_;
    bool seededOk_ = false;
    sim::FakeDevices devices_;
};

// The package of that name in `packages`; fails the test when there is none.
inline DriverPackage& Named(std::vector<DriverPackage>& packages, const std::wstring& name) {
    for (DriverPackage& package : packages)
        if (_wcsicmp(package.PublishedName.c_str(), name.c_str()) == 0) return package;
    ADD_FAILURE() << "no package " << name;
    static DriverPackage none;
    return none;
}

}  // namespace removaltest
