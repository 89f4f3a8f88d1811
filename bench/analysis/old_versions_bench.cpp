// Old-version analysis benchmark: FindOldVersions plus CheckNewerVersions over a
// synthetic Driver Store of driver families with many versions and hardware IDs,
// some versions bound to running devices: the package index alone, each check
// on its own (each builds its index) and both over one index as the automatic
// selection runs them. Prints the fastest of several rounds in wall-clock and
// processor time, in total and per package. Build it with
// CMAKE_BUILD_TYPE=Release; run it with bench/run.sh.
//   old_versions_bench.exe [--rounds N] [package count]
// Defaults: 5 rounds, 5000 packages in families of 1 to 30 versions with 50 to
// 500 hardware IDs each.
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "analysis/newer_version_check.h"
#include "analysis/old_version_detection.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Store {
    std::vector<DriverPackage> Packages;
    InfNameSet UsedInfs;
    std::vector<DeviceBinding> Bindings;
    std::size_t Families = 0;
    std::size_t HardwareIds = 0;
};

std::wstring Hex(unsigned value, int digits) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%0*X", digits, value);
    return text;
}

// Versions of one family slide over a pool of IDs: every third version drops the
// oldest IDs and adds new ones, so coverage of an older version is sometimes
// partial. The second newest version of larger families runs a device, and a
// few families also hold a bound package with another INF name.
void AddFamily(Store& store, std::mt19937_64& random, std::size_t versions) {
    static const std::array<const wchar_t*, 4> kClasses{
        L"{4d36e968-e325-11ce-bfc1-08002be10318}", L"{4d36e972-e325-11ce-bfc1-08002be10318}",
        L"{4d36e96c-e325-11ce-bfc1-08002be10318}", L"{4d36e97b-e325-11ce-bfc1-08002be10318}"};
    const auto family = static_cast<unsigned>(store.Families++);
    const std::size_t idCount = std::uniform_int_distribution<std::size_t>(50, 500)(random);
    std::vector<std::wstring> pool;
    for (std::size_t d = 0; d < idCount + versions; ++d) {
        pool.push_back(L"PCI\\VEN_" + Hex(0x1000 + family % 0xE000, 4) + L"&DEV_" + Hex(static_cast<unsigned>(d), 4) +
                       L"&SUBSYS_" + Hex(static_cast<unsigned>(random()), 8));
    }
    std::sort(pool.begin(), pool.end());
    const std::size_t boundVersion = versions >= 3 ? versions - 2 : versions;
    const bool otherInf = versions >= 3 && family % 7 == 0;
    for (std::size_t v = 0; v < versions; ++v) {
        DriverPackage package;
        package.PublishedName = L"oem" + std::to_wstring(store.Packages.size() + 1) + L".inf";
        package.OriginalInfName = (otherInf && v == boundVersion) ? L"alt" + std::to_wstring(family) + L".inf"
                                                                  : L"fam" + std::to_wstring(family) + L".inf";
        package.ClassGuid = kClasses[family % kClasses.size()];
        package.ClassName = L"Display";
        package.Provider = L"Vendor " + std::to_wstring(family);
        package.Version = L"31.0." + std::to_wstring(v) + L".1000";
        package.Date = L"20" + std::to_wstring(10 + v / 12) + L"-" + (v % 12 < 9 ? L"0" : L"") +
                       std::to_wstring(v % 12 + 1) + L"-15";
        const std::size_t first = v / 3;
        package.HardwareIds.assign(pool.begin() + static_cast<std::ptrdiff_t>(first),
                                   pool.begin() + static_cast<std::ptrdiff_t>(first + idCount));
        std::sort(package.HardwareIds.begin(), package.HardwareIds.end());
        package.HardwareIdsComplete = true;
        package.HasModelsSection = true;
        store.HardwareIds += package.HardwareIds.size();
        if (v == boundVersion) {
            store.UsedInfs.insert(package.PublishedName);
            DeviceBinding binding;
            binding.InfName = package.PublishedName;
            binding.InstanceId = L"PCI\\VEN_" + Hex(family, 4) + L"\\3&11583659&0&10";
            binding.MatchingDeviceId = package.HardwareIds.back();
            binding.HardwareIds = {package.HardwareIds.back(), L"PCI\\VEN_" + Hex(family, 4) + L"&CC_0300"};
            binding.Running = true;
            store.Bindings.push_back(std::move(binding));
        }
        store.Packages.push_back(std::move(package));
    }
}

Store BuildStore(std::size_t packageCount) {
    std::mt19937_64 random(20240601);
    Store store;
    while (store.Packages.size() < packageCount) {
        const std::size_t versions =
            std::min(std::uniform_int_distribution<std::size_t>(1, 30)(random), packageCount - store.Packages.size());
        AddFamily(store, random, versions);
    }
    // Devices with drivers that ship with Windows, as on any machine.
    for (unsigned d = 0; d < 200; ++d) {
        DeviceBinding binding;
        binding.InfName = L"machine.inf";
        binding.InstanceId = L"ACPI\\PNP" + Hex(d, 4) + L"\\0";
        binding.MatchingDeviceId = L"ACPI\\PNP" + Hex(d, 4);
        binding.HardwareIds = {binding.MatchingDeviceId};
        binding.Running = true;
        store.UsedInfs.insert(binding.InfName);
        store.Bindings.push_back(std::move(binding));
    }
    // DISM lists packages in published order, not by family.
    std::shuffle(store.Packages.begin(), store.Packages.end(), random);
    return store;
}

// Wall-clock and processor time of one measured call; on a shared machine the
// processor time is what the code itself costs.
struct Timing {
    double Wall = 0;
    double Cpu = 0;
};

double ProcessCpuMilliseconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

template <typename Body>
Timing Measure(Body body) {
    const double cpu = ProcessCpuMilliseconds();
    const Clock::time_point start = Clock::now();
    body();
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(), ProcessCpuMilliseconds() - cpu};
}

// The fastest of the rounds, wall-clock and processor time each.
struct Best {
    Timing Time{1e300, 1e300};
    void Add(const Timing& timing) {
        Time.Wall = std::min(Time.Wall, timing.Wall);
        Time.Cpu = std::min(Time.Cpu, timing.Cpu);
    }
};

void PrintLine(const char* what, const Timing& timing, std::size_t packages) {
    std::printf("%-44s %9.2f %9.2f %12.2f\n", what, timing.Wall, timing.Cpu,
                1000.0 * timing.Wall / static_cast<double>(packages));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 5;
    std::size_t packageCount = 5000;
    for (int a = 1; a < argc; ++a) {
        if (std::wcscmp(argv[a], L"--rounds") == 0 && a + 1 < argc) {
            rounds = std::max(1, _wtoi(argv[++a]));
        } else {
            packageCount = static_cast<std::size_t>(std::max(1, _wtoi(argv[a])));
        }
    }
    const Store store = BuildStore(packageCount);
    const RemovalOptions options;  // both removal settings on, as by default

    Best oldOnly;
    Best newerOnly;
    Best shared;
    Best indexOnly;
    std::vector<PackageVerdict> old;
    std::vector<NewerVersionVerdict> newer;
    for (int round = 0; round < rounds; ++round) {
        indexOnly.Add(Measure([&] { BuildPackageIndex(store.Packages); }));
        oldOnly.Add(Measure([&] { old = FindOldVersions(store.Packages, store.UsedInfs, store.Bindings, false, {}); }));
        newerOnly.Add(Measure([&] {
            newer = CheckNewerVersions(store.Packages, options, store.UsedInfs, store.Bindings, true, {}, false);
        }));
        // As the automatic selection runs them: one index for both checks.
        shared.Add(Measure([&] {
            const PackageIndex index = BuildPackageIndex(store.Packages);
            newer = CheckNewerVersions(store.Packages, index, options, store.UsedInfs, store.Bindings, true, {}, false);
            old = FindOldVersions(store.Packages, index, store.UsedInfs, store.Bindings, false, {});
        }));
    }
    std::map<RemovalReason, std::size_t> reasons;
    for (const PackageVerdict& verdict : old) ++reasons[verdict.Reason];
    const auto newerUnused =
        std::count_if(newer.begin(), newer.end(), [](const NewerVersionVerdict& v) { return v.Candidate.has_value(); });

    const std::size_t n = store.Packages.size();
    std::printf(
        "%zu packages in %zu families of 1 to 30 versions, %zu hardware IDs (50 to 500 a package), "
        "%zu devices; fastest of %d rounds\n",
        n, store.Families, store.HardwareIds, store.Bindings.size(), rounds);
    std::printf("verdicts: confirmed %zu, possible %zu, no newer %zu, associated %zu; newer unused %lld\n",
                reasons[RemovalReason::ConfirmedReplacement], reasons[RemovalReason::PossibleReplacement],
                reasons[RemovalReason::NoNewerVersion], reasons[RemovalReason::AssociatedWithDevice],
                static_cast<long long>(newerUnused));
    std::printf("%-44s %9s %9s %12s\n", "", "wall ms", "cpu ms", "us/package");
    PrintLine("the package index alone", indexOnly.Time, n);
    PrintLine("FindOldVersions", oldOnly.Time, n);
    PrintLine("CheckNewerVersions", newerOnly.Time, n);
    PrintLine("both, each with its own index",
              {oldOnly.Time.Wall + newerOnly.Time.Wall, oldOnly.Time.Cpu + newerOnly.Time.Cpu}, n);
    PrintLine("both over one index, as the selection runs", shared.Time, n);
    std::printf("target: under 50 ms in all\n");
    return 0;
}
