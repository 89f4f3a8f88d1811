#include "synthetic_store.h"

#include <cstdint>
#include <cwchar>

#include "fixture_inf.h"

namespace bench {

namespace {

constexpr std::size_t kLargeFamilyMembers = 40;

// A fixed sequence, so every run measures the same stores.
class Sequence {
public:
    std::uint32_t Next(std::uint32_t bound) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state_ >> 33) % bound;
    }

private:
    std::uint64_t state_ = 0x51A7E5EEDull;
};

std::wstring InfNameOf(std::size_t index, std::size_t familyCount) {
    if (index % 5 == 1 && index / 5 < kLargeFamilyMembers) return L"qbwide.inf";
    if (index % 10 == 0 && familyCount > 0) return L"qbfam" + std::to_wstring(index / 10 % familyCount) + L".inf";
    return L"qbpkg" + std::to_wstring(index) + L".inf";
}

std::vector<std::wstring> HardwareIds(std::size_t index, std::uint32_t count) {
    std::vector<std::wstring> ids;
    ids.reserve(count);
    for (std::uint32_t line = 0; line < count; ++line) {
        wchar_t id[80];
        std::swprintf(id, std::size(id), L"PCI\\VEN_1F3A&DEV_%04X&SUBSYS_%08X", static_cast<unsigned>(index % 0xFFFF),
                      line * 2654435761u);
        ids.emplace_back(id);
    }
    return ids;
}

}  // namespace

sim::FixtureWindows SyntheticWindows(std::size_t packageCount) {
    Sequence sequence;
    const std::size_t familyCount = packageCount / 100;
    sim::FixtureWindows windows;
    windows.Packages.reserve(packageCount);
    for (std::size_t i = 0; i < packageCount; ++i) {
        sim::FixturePackage package;
        package.PublishedName = L"oem" + std::to_wstring(i + 1) + L".inf";
        package.InfName = InfNameOf(i, familyCount);
        package.Provider = L"Bench Devices " + std::to_wstring(i % 17);
        package.ClassName = i % 3 == 0 ? L"Display" : L"Net";
        package.ClassGuid = i % 3 == 0 ? L"{4d36e968-e325-11ce-bfc1-08002be10318}"
                                       : L"{4d36e972-e325-11ce-bfc1-08002be10318}";
        package.CatalogFile = L"bench.cat";
        package.Date = {2015 + static_cast<int>(i % 9), 1 + static_cast<int>(i % 12), 1 + static_cast<int>(i % 28)};
        package.Version = L"4." + std::to_wstring(i / 1000) + L"." + std::to_wstring(i % 1000) + L".7";
        package.Models.push_back({L"NTamd64", HardwareIds(i, 50 + sequence.Next(451))});
        if (i % 7 == 0) package.Models.push_back({L"NTx86", HardwareIds(i + 1, 20)});
        package.DriverFiles = {{L"bench" + std::to_wstring(i) + L".sys", 2048 + sequence.Next(8192)}};
        // Every tenth package serves a device, so that the bindings of the root can be read.
        if (i % 10 == 0) windows.DriverKeys.push_back({package.ClassGuid, package.PublishedName});
        windows.Packages.push_back(std::move(package));
    }
    return windows;
}

bool StoreInfPaths(const sim::FixtureWindows& windows, const std::wstring& root, std::vector<std::wstring>& paths,
                   std::wstring& error) {
    paths.clear();
    for (const sim::FixturePackage& package : windows.Packages) {
        std::wstring folder;
        if (!sim::FixtureStoreFolderName(package, folder, error)) return false;
        paths.push_back(root + L"Windows\\System32\\DriverStore\\FileRepository\\" + folder + L"\\" + package.InfName);
    }
    return true;
}

}  // namespace bench
