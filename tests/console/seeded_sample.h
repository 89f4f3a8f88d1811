#pragma once
// The demonstration installation seeded into the prefix's running Windows, for
// as long as the object lives. The device list lock is held throughout, so the
// bindings a command reads are exactly the sample's devices (or none).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "current_windows_seed.h"
#include "devices/fake_devices.h"
#include "devices/sample_devices.h"
#include "fixture_inf.h"
#include "sample_windows.h"

namespace test {

class SeededSample {
public:
    enum class Content { PackagesAndDevices, PackagesOnly, DevicesOnly, Nothing };

    explicit SeededSample(Content content = Content::PackagesAndDevices, std::vector<sim::FixturePackage> extra = {})
        : windows_(sim::SampleDemoWindows()) {
        windows_.Packages.insert(windows_.Packages.end(), extra.begin(), extra.end());
        std::wstring error;
        if (content == Content::PackagesAndDevices || content == Content::DevicesOnly) {
            for (const sim::FakeDeviceSpec& spec : sim::SampleDemoDevices(sim::UniqueDeviceTag())) {
                EXPECT_TRUE(devices_.Add(spec, error)) << error;
            }
        }
        if (content == Content::PackagesAndDevices || content == Content::PackagesOnly) {
            EXPECT_TRUE(sim::SeedCurrentWindows(windows_, seeded_, error)) << error;
        }
    }
    SeededSample(const SeededSample&) = delete;
    SeededSample& operator=(const SeededSample&) = delete;
    ~SeededSample() {
        std::wstring error;
        EXPECT_TRUE(sim::RemoveSeededCurrentWindows(seeded_, error)) << error;
    }

    const sim::FixtureWindows& Windows() const { return windows_; }

    const sim::FixturePackage& Package(const std::wstring& publishedName) const {
        for (const sim::FixturePackage& package : windows_.Packages)
            if (package.PublishedName == publishedName) return package;
        ADD_FAILURE() << "the sample has no package published as this name";
        return windows_.Packages.front();
    }

    // The package's folder in the running Windows' Driver Store.
    static std::filesystem::path StoreFolder(const sim::FixturePackage& package) {
        std::wstring name;
        std::wstring error;
        EXPECT_TRUE(sim::FixtureStoreFolderName(package, name, error)) << error;
        return WindowsFolder() / L"System32\\DriverStore\\FileRepository" / name;
    }

    static std::filesystem::path PublishedInf(const sim::FixturePackage& package) {
        return WindowsFolder() / L"INF" / package.PublishedName;
    }

    // Bytes of every file below the package's store folder.
    static std::uint64_t StoreSize(const sim::FixturePackage& package) {
        std::uint64_t bytes = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(StoreFolder(package)))
            if (entry.is_regular_file()) bytes += entry.file_size();
        return bytes;
    }

    static std::filesystem::path WindowsFolder() {
        wchar_t folder[MAX_PATH] = {};
        ::GetWindowsDirectoryW(folder, MAX_PATH);
        return folder;
    }

private:
    sim::FakeDevices devices_;  // holds the device list lock
    sim::FixtureWindows windows_;
    sim::SeededCurrentWindows seeded_;
};

}  // namespace test
