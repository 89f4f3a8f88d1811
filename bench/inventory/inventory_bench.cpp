// Inventory benchmark: builds synthetic offline Windows roots of several sizes
// and prints, measured in the same run, the inventory time, the size-phase
// time and two baselines that open and read each package's INF once through
// SetupAPI (a bare walk of its models lines, and the program's own models
// reading), the ratios inventory/baseline and the growth from 1000 to 5000
// packages, and the console's "list --format json --target" over the same root
// against the inventory, both as timed in this process and with DISM started
// afresh each round, as the console's own process starts it. Build it with
// CMAKE_BUILD_TYPE=Release; run it with bench/run.sh.
//   inventory_bench.exe [--keep] [--rounds N] [package counts...]
// Defaults: 3 rounds (the fastest counts), 200 1000 5000 packages.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "analysis/installed_inventory.h"
#include "core/text_encoding.h"
#include "core/unique_handle.h"
#include "driver_store_layout.h"
#include "platform/dism_session.h"
#include "platform/driver_store_locator.h"
#include "platform/file_tree.h"
#include "platform/inf_reader.h"
#include "platform/package_size.h"
#include "platform/windows_version.h"
#include "synthetic_store.h"
#include "windows_root_builder.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int Fail(const std::wstring& text) {
    std::fprintf(stderr, "inventory_bench: %s\n", WideToUtf8(text).c_str());
    return 1;
}

// One open of the INF: its DriverVer and every hardware ID of its amd64 models
// section, which is what the inventory needs from it. Returns the IDs read.
std::size_t ReadInfOnce(const std::wstring& path) {
    const InfFile inf(::SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    if (!inf) return 0;
    const std::wstring driverVer = ReadInfValue(inf.get(), L"Version", L"DriverVer", 1) +
                                   ReadInfValue(inf.get(), L"Version", L"DriverVer", 2);
    if (driverVer.empty()) return 0;
    std::size_t ids = 0;
    INFCONTEXT line{};
    if (::SetupFindFirstLineW(inf.get(), L"Models.NTamd64", nullptr, &line)) {
        do {
            std::wstring id;
            if (ReadInfField(line, 2, id) && !id.empty()) ++ids;
        } while (::SetupFindNextLine(&line, &line));
    }
    return ids;
}

std::size_t ReadEveryInfOnce(const std::vector<std::wstring>& paths) {
    std::size_t ids = 0;
    for (const std::wstring& path : paths) ids += ReadInfOnce(path);
    return ids;
}

// One open of each INF by the program's own models reading, which also
// normalises and de-duplicates the IDs.
std::size_t ReadEveryInfModels(const std::vector<std::wstring>& paths, const OfflineWindowsVersion& platform) {
    std::size_t ids = 0;
    for (const std::wstring& path : paths) ids += ReadInfModelIds(path, &platform).Ids.size();
    return ids;
}

// Wall-clock and processor time of one measured step, in milliseconds.
struct Timing {
    double WallMs = 0;
    double CpuMs = 0;
};

double ProcessCpuMs() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& time) {
        return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10000.0;
}

// Keeps the faster wall-clock and processor times of `best` (nothing kept
// before round 0) and `elapsed`.
void KeepFastest(Timing& best, const Timing& elapsed, int round) {
    if (round == 0 || elapsed.WallMs < best.WallMs) best.WallMs = elapsed.WallMs;
    if (round == 0 || elapsed.CpuMs < best.CpuMs) best.CpuMs = elapsed.CpuMs;
}

template <typename Body>
Timing TimeOnce(Body body) {
    const double cpuStart = ProcessCpuMs();
    const Clock::time_point start = Clock::now();
    body();
    return {MillisecondsSince(start), ProcessCpuMs() - cpuStart};
}

// Runs `body` `rounds` times and keeps the fastest wall-clock and processor
// times: the machine is shared, and the fastest round is the least disturbed.
template <typename Body>
Timing Fastest(int rounds, Body body) {
    Timing best;
    for (int round = 0; round < rounds; ++round) KeepFastest(best, TimeOnce(body), round);
    return best;
}

struct Measurement {
    std::size_t Packages = 0;
    std::size_t ModelsLines = 0;
    double BuildMs = 0;
    Timing Baseline;
    Timing ReaderBaseline;
    Timing Listing;           // DISM's package list alone
    Timing Inventory;         // DISM paths inside the root
    Timing FreshInventory;    // the same, each round with DISM started afresh
    Timing RebasedInventory;  // DISM paths on another drive
    Timing SizePhase;
    Timing CachedSizePhase;
    Timing ScanLocate;  // every package found by scanning the store
    Timing ListJson;    // Quillbay.exe list --format json --target, the whole process
};

// Every package listed, with all its hardware IDs read completely.
bool CheckInventory(const InstalledInventory& inventory, const Measurement& m, const wchar_t* kind,
                    std::wstring& error) {
    std::size_t ids = 0;
    for (const DriverPackage& package : inventory.Packages) {
        if (package.HardwareIdsComplete) ids += package.HardwareIds.size();
    }
    if (inventory.Done && inventory.Packages.size() == m.Packages && ids == m.ModelsLines) return true;
    error = std::wstring(kind) + L" of " + std::to_wstring(m.Packages) + L" packages gave " +
            std::to_wstring(inventory.Packages.size()) + L" records with " + std::to_wstring(ids) +
            L" complete hardware IDs, expected " + std::to_wstring(m.ModelsLines) + L". " + inventory.Error;
    return false;
}

bool WriteImageDriveMarker(const std::wstring& root, std::wstring& error) {
    const std::wstring marker = root + L"Windows\\" + sim::kDriverStoreFolder + L"\\" + sim::kImageDriveMarkerFile;
    FileHandle file(::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file && ::WriteFile(file.get(), "D:", 2, &written, nullptr)) return true;
    error = L"cannot write " + marker;
    return false;
}

// Quillbay.exe beside this program, run to its end; false with the reason.
bool RunQuillbay(const std::wstring& arguments, std::wstring& error) {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        error = L"cannot find this program's folder";
        return false;
    }
    const std::wstring program = std::filesystem::path(self).replace_filename(L"Quillbay.exe").wstring();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &info)) {
        error = L"cannot start " + program;
        return false;
    }
    const KernelHandle process(info.hProcess);
    const KernelHandle thread(info.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    if (code == 0) return true;
    error = L"Quillbay.exe " + arguments + L" ended with " + std::to_wstring(code);
    return false;
}

// The list holds every package of the store.
bool CheckListJson(const std::wstring& path, std::size_t count, std::wstring& error) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::size_t entries = 0;
    for (std::size_t at = text.find("\"PublishedName\": "); at != std::string::npos;
         at = text.find("\"PublishedName\": ", at + 1))
        ++entries;
    if (entries == count) return true;
    error = L"the JSON list holds " + std::to_wstring(entries) + L" packages, not " + std::to_wstring(count);
    return false;
}

bool Measure(DismSession& dism, const std::wstring& logPath, std::size_t count, const std::wstring& root, int rounds,
             Measurement& m, std::wstring& error) {
    std::error_code removeError;
    RemoveTree(root, removeError);
    const sim::FixtureWindows windows = bench::SyntheticWindows(count);
    const Clock::time_point start = Clock::now();
    if (!sim::BuildWindowsRoot(windows, root, error)) return false;
    m.BuildMs = MillisecondsSince(start);
    m.Packages = count;
    std::vector<std::wstring> infs;
    if (!bench::StoreInfPaths(windows, root, infs, error)) return false;

    ReadEveryInfOnce(infs);  // so that every timed pass finds the files in the cache
    m.Baseline = Fastest(rounds, [&] { m.ModelsLines = ReadEveryInfOnce(infs); });
    std::wstring unread;
    const OfflineWindowsVersion platform = ReadOfflineWindowsVersion(root, unread);
    if (!unread.empty()) {
        error = unread;
        return false;
    }
    std::size_t readerIds = 0;
    m.ReaderBaseline = Fastest(rounds, [&] { readerIds = ReadEveryInfModels(infs, platform); });
    if (readerIds != m.ModelsLines) {
        error = L"the INF reader found " + std::to_wstring(readerIds) + L" hardware IDs, not " +
                std::to_wstring(m.ModelsLines);
        return false;
    }

    bool listed = true;
    m.Listing = Fastest(rounds, [&] {
        std::vector<DriverPackage> packages;
        DismSessionScope session(dism);
        listed = listed && session.Open(root, error) &&
                 ReadDismDriverPackages(dism, session.Handle(), packages, error);
    });
    if (!listed) return false;

    // The inventory, the inventory with DISM started afresh and the console's list
    // take turns, so that a slow spell of the shared machine falls on each of them.
    // The DISM that run.sh provides keeps what it read of each INF until
    // DismShutdown, so the first of them lists faster than any new process can;
    // the console's list is one.
    InstalledInventory inventory;
    InstalledInventory freshInventory;
    const std::wstring listPath = root + L"..\\list-" + std::to_wstring(count) + L".json";
    const std::wstring listArguments = L"list --format json --target \"" + root.substr(0, root.size() - 1) +
                                       L"\" --output \"" + listPath + L"\"";
    bool restarted = true;
    bool listWritten = true;
    for (int round = 0; round < rounds; ++round) {
        KeepFastest(m.Inventory, TimeOnce([&] {
                        inventory = {};
                        ReadInstalledPackages(dism, false, root, 1, {}, inventory);
                    }),
                    round);
        KeepFastest(m.FreshInventory, TimeOnce([&] {
                        dism.Shutdown();
                        restarted = restarted && dism.Initialize(logPath, error);
                        freshInventory = {};
                        if (restarted) ReadInstalledPackages(dism, false, root, 1, {}, freshInventory);
                    }),
                    round);
        if (!restarted || !CheckInventory(freshInventory, m, L"the inventory with DISM started afresh", error))
            return false;
        freshInventory = {};  // not in memory while the list runs
        KeepFastest(m.ListJson, TimeOnce([&] { listWritten = listWritten && RunQuillbay(listArguments, error); }),
                    round);
    }
    if (!CheckInventory(inventory, m, L"the inventory", error)) return false;
    if (!listWritten || !CheckListJson(listPath, count, error)) return false;

    m.SizePhase = Fastest(rounds, [&] {
        PackageSizeCache cache;
        ComputePackageSizes(inventory.Packages, root, cache, 1, {});
    });
    PackageSizeCache cache;
    ComputePackageSizes(inventory.Packages, root, cache, 1, {});
    m.CachedSizePhase = Fastest(rounds, [&] { ComputePackageSizes(inventory.Packages, root, cache, 1, {}); });
    for (const DriverPackage& package : inventory.Packages) {
        if (package.SizeBytes == 0) {
            error = L"no size for " + package.PublishedName;
            return false;
        }
    }

    // Paths that name no Windows folder leave only the scan of the store.
    {
        std::vector<DriverPackage> elsewhere = std::move(inventory.Packages);
        for (DriverPackage& package : elsewhere) package.OriginalFileName = L"X:\\Drivers\\" + package.OriginalInfName;
        std::size_t located = 0;
        m.ScanLocate = Fastest(rounds, [&] {
            DriverStoreLocator locator(root);
            located = 0;
            for (const DriverPackage& package : elsewhere) located += locator.Locate(package).empty() ? 0 : 1;
        });
        if (located != count) {
            error = L"the scan located " + std::to_wstring(located) + L" of " + std::to_wstring(count) + L" packages";
            return false;
        }
    }
    // Both inventories are timed with nothing else of this size in memory.
    inventory = {};

    if (!WriteImageDriveMarker(root, error)) return false;
    InstalledInventory rebased;
    m.RebasedInventory = Fastest(rounds, [&] {
        rebased = {};
        ReadInstalledPackages(dism, false, root, 1, {}, rebased);
    });
    if (!CheckInventory(rebased, m, L"the inventory of the image on D:", error)) return false;
    if (rebased.Packages.front().OriginalFileName.rfind(L"D:\\", 0) != 0) {
        error = L"DISM did not report the image on D:";
        return false;
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool keep = false;
    int rounds = 3;
    std::vector<std::size_t> counts;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--keep") == 0) {
            keep = true;
        } else if (std::wcscmp(argv[i], L"--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, _wtoi(argv[++i]));
        } else {
            const unsigned long value = std::wcstoul(argv[i], nullptr, 10);
            if (value == 0) return Fail(L"not a package count: " + std::wstring(argv[i]));
            counts.push_back(value);
        }
    }
    if (counts.empty()) counts = {200, 1000, 5000};

    wchar_t tempPath[MAX_PATH + 1];
    const DWORD tempLength = ::GetTempPathW(MAX_PATH + 1, tempPath);
    if (tempLength == 0 || tempLength > MAX_PATH) return Fail(L"no temporary folder");
    const std::wstring base = std::wstring(tempPath, tempLength) + L"qb-inventory-bench\\";
    std::filesystem::create_directories(base);

    DismSession dism;
    std::wstring error;
    const std::wstring logPath = base + L"dism.log";
    if (!dism.Initialize(logPath, error)) return Fail(error);

    std::map<std::size_t, Measurement> results;
    for (const std::size_t count : counts) {
        Measurement m;
        const std::wstring root = base + std::to_wstring(count) + L"\\";
        if (!Measure(dism, logPath, count, root, rounds, m, error)) return Fail(error);
        if (!keep) {
            std::error_code removeError;
            RemoveTree(root, removeError);
        }
        const auto row = [](const char* what, const Timing& t) {
            std::printf("  %-46s %10.1f %10.1f\n", what, t.WallMs, t.CpuMs);
        };
        const auto ratio = [](const char* what, const Timing& t, const Timing& base) {
            std::printf("  %-46s %10.2f %10.2f\n", what, t.WallMs / base.WallMs, t.CpuMs / base.CpuMs);
        };
        std::printf("%zu packages, %zu models lines, root built in %.0f ms; fastest of %d rounds:\n", m.Packages,
                    m.ModelsLines, m.BuildMs, rounds);
        std::printf("  %-46s %10s %10s\n", "", "wall ms", "cpu ms");
        row("baseline: each INF opened and read once", m.Baseline);
        row("baseline 2: once, IDs read by the INF reader", m.ReaderBaseline);
        row("DISM package list alone", m.Listing);
        row("inventory (DISM paths inside the root)", m.Inventory);
        row("inventory, DISM started afresh each round", m.FreshInventory);
        row("inventory (image on D:, paths rebased)", m.RebasedInventory);
        row("size phase, empty cache", m.SizePhase);
        row("size phase, every folder cached", m.CachedSizePhase);
        row("every package located by the store scan", m.ScanLocate);
        // Wine reports no usable processor time for another process: wall-clock only.
        std::printf("  %-46s %10.1f %10s\n", "list --format json --target (whole process)", m.ListJson.WallMs, "-");
        ratio("ratio inventory / baseline", m.Inventory, m.Baseline);
        ratio("ratio inventory (image on D:) / baseline", m.RebasedInventory, m.Baseline);
        ratio("ratio DISM list / baseline", m.Listing, m.Baseline);
        ratio("ratio inventory / baseline 2", m.Inventory, m.ReaderBaseline);
        ratio("ratio inventory (image on D:) / baseline 2", m.RebasedInventory, m.ReaderBaseline);
        std::printf("  %-46s %10.2f %10s\n", "ratio list --format json / inventory", m.ListJson.WallMs / m.Inventory.WallMs,
                    "-");
        std::printf("  %-46s %10.2f %10s\n", "ratio list --format json / fresh inventory",
                    m.ListJson.WallMs / m.FreshInventory.WallMs, "-");
        std::printf("  %-46s %10.2f %10s\n", "ratio list --format json / (inventory + sizes)",
                    m.ListJson.WallMs / (m.Inventory.WallMs + m.SizePhase.WallMs), "-");
        std::fflush(stdout);
        results[count] = m;
    }
    if (results.count(1000) && results.count(5000)) {
        const Measurement& small = results[1000];
        const Measurement& large = results[5000];
        const auto growth = [](const char* what, const Timing& from, const Timing& to) {
            std::printf("  %-46s %10.2f %10.2f\n", what, to.WallMs / from.WallMs, to.CpuMs / from.CpuMs);
        };
        std::printf("growth from 1000 to 5000 packages:\n");
        growth("baseline", small.Baseline, large.Baseline);
        growth("inventory", small.Inventory, large.Inventory);
        growth("inventory (image on D:)", small.RebasedInventory, large.RebasedInventory);
        growth("size phase", small.SizePhase, large.SizePhase);
        growth("store scan", small.ScanLocate, large.ScanLocate);
    }
    std::printf("targets: inventory / baseline <= 2.50; inventory growth 1000 -> 5000 <= 5.50; "
                "list --format json / inventory <= 1.20\n");
    return 0;
}
