// Export benchmark: builds an offline Windows root whose Driver Store holds 500
// packages of about 2.2 MiB each (over 1 GiB in all), then times, in the same
// run and in alternating order, the backup export in folder mode and a plain
// recursive copy of the same store folders (FindFirstFileW, CreateDirectoryW,
// CopyFileW), and prints the ratio of their throughputs: of the medians over all
// rounds, and of each side's best round (the machine is shared, and other load
// only ever adds time). A first, unmeasured round lets the freshly written store
// settle. Build with CMAKE_BUILD_TYPE=Release; run with bench/run.sh. The work folder
// is removed at the end.
//   export_bench.exe [--keep] [--packages N] [--rounds R]   (default 500 packages, 10 rounds)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "core/text_encoding.h"
#include "core/unique_handle.h"
#include "fixture_inf.h"
#include "operations/backup_export.h"
#include "platform/file_tree.h"
#include "platform/package_size.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

int Fail(const std::wstring& text) {
    std::fprintf(stderr, "export_bench: %s\n", WideToUtf8(text).c_str());
    return 1;
}

sim::FixtureWindows BenchWindows(std::size_t count) {
    static const wchar_t* const kClasses[][3] = {
        {L"Net", L"{4d36e972-e325-11ce-bfc1-08002be10318}", L"Network adapters"},
        {L"Display", L"{4d36e968-e325-11ce-bfc1-08002be10318}", L"Display adapters"},
        {L"MEDIA", L"{4d36e96c-e325-11ce-bfc1-08002be10318}", L"Sound, video and game controllers"},
        {L"SCSIAdapter", L"{4d36e97b-e325-11ce-bfc1-08002be10318}", L"Storage controllers"},
    };
    sim::FixtureWindows windows;
    for (std::size_t i = 0; i < count; ++i) {
        const std::wstring number = std::to_wstring(i);
        const auto& kind = kClasses[i % 4];
        sim::FixturePackage package;
        package.PublishedName = L"oem" + std::to_wstring(i + 1) + L".inf";
        package.InfName = L"bench" + number + L".inf";
        package.Provider = L"Quelltide Devices";
        package.ClassName = kind[0];
        package.ClassGuid = kind[1];
        package.ClassDescription = kind[2];
        package.CatalogFile = L"bench" + number + L".cat";
        package.Date = {2024, 1 + static_cast<int>(i % 12), 1 + static_cast<int>(i % 28)};
        package.Version = L"1.0." + number + L".0";
        package.Models = {{L"NTamd64", {L"PCI\\VEN_1F3A&DEV_" + number}}};
        package.DriverFiles = {{L"bench" + number + L".sys", 1536 * 1024},
                               {L"bin\\helper.dll", 512 * 1024},
                               {L"firmware\\fw.bin", 200 * 1024}};
        windows.Packages.push_back(std::move(package));
    }
    return windows;
}

// The plain recursive copy the export is measured against.
bool PlainCopy(const std::wstring& from, const std::wstring& to) {
    if (!::CreateDirectoryW(to.c_str(), nullptr)) return false;
    WIN32_FIND_DATAW data{};
    FindHandle find(::FindFirstFileExW((from + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return false;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool copied = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                                ? PlainCopy(from + L"\\" + name, to + L"\\" + name)
                                : ::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), TRUE) != 0;
        if (!copied) return false;
    } while (::FindNextFileW(find.get(), &data));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

struct Timing {
    double PlainSeconds = 0;
    double ExportSeconds = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Removes a copy and gives the file system a moment to finish the removal, so
// that the next measurement does not pay for it.
bool Discard(const fs::path& folder) {
    std::error_code error;
    RemoveTree(folder, error);
    ::Sleep(2000);
    return !error;
}

double Best(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

double MegabytesPerSecond(std::uint64_t bytes, double seconds) {
    return bytes / 1048576.0 / seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool keep = false;
    std::size_t count = 500;
    int rounds = 10;
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument == L"--keep")
            keep = true;
        else if (argument == L"--packages" && i + 1 < argc)
            count = std::wcstoul(argv[++i], nullptr, 10);
        else if (argument == L"--rounds" && i + 1 < argc)
            rounds = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
        else
            return Fail(L"usage: export_bench.exe [--keep] [--packages N] [--rounds R]");
    }
    if (count == 0 || rounds < 1) return Fail(L"needs at least one package and one round");

    std::error_code error;
    const fs::path work = fs::temp_directory_path(error) / L"quillbay-export-bench";
    if (error) return Fail(L"no temporary folder");
    RemoveTree(work, error);
    const std::wstring root = (work / L"image").wstring();

    const sim::FixtureWindows windows = BenchWindows(count);
    std::wstring text;
    Clock::time_point start = Clock::now();
    if (!sim::BuildWindowsRoot(windows, root, text)) return Fail(text);
    const double buildSeconds = std::chrono::duration<double>(Clock::now() - start).count();

    // The records DISM lists for an offline root name the INF inside the root.
    std::vector<DriverPackage> records;
    std::vector<std::wstring> storeFolders;
    std::uint64_t bytes = 0;
    for (const sim::FixturePackage& fixture : windows.Packages) {
        std::wstring folderName;
        if (!sim::FixtureStoreFolderName(fixture, folderName, text)) return Fail(text);
        const std::wstring store = root + L"\\Windows\\System32\\DriverStore\\FileRepository\\" + folderName;
        storeFolders.push_back(store);
        bytes += FolderSize(store);
        DriverPackage& record = records.emplace_back();
        record.PublishedName = fixture.PublishedName;
        record.OriginalFileName = store + L"\\" + fixture.InfName;
        record.OriginalInfName = fixture.InfName;
        record.Provider = fixture.Provider;
        record.ClassDescription = fixture.ClassDescription;
        record.Version = fixture.Version;
        wchar_t date[16];
        std::swprintf(date, 16, L"%04d-%02d-%02d", fixture.Date.Year, fixture.Date.Month, fixture.Date.Day);
        record.Date = date;
    }
    std::vector<DriverPackage*> packages;
    for (DriverPackage& record : records) packages.push_back(&record);
    std::printf("export_bench: %zu packages, %llu bytes (%.1f MiB) in the Driver Store, built in %.1f s\n", count,
                static_cast<unsigned long long>(bytes), bytes / 1048576.0, buildSeconds);

    const fs::path plainTarget = work / L"plain";
    const fs::path exportTarget = work / L"export";
    std::vector<Timing> timings(static_cast<std::size_t>(rounds) + 1);
    for (int round = 0; round <= rounds; ++round) {
        const auto runPlain = [&]() -> bool {
            if (!::CreateDirectoryW(plainTarget.c_str(), nullptr)) return false;
            start = Clock::now();
            for (std::size_t i = 0; i < storeFolders.size(); ++i) {
                if (!PlainCopy(storeFolders[i], (plainTarget / std::to_wstring(i)).wstring())) return false;
            }
            timings[round].PlainSeconds = std::chrono::duration<double>(Clock::now() - start).count();
            return Discard(plainTarget);
        };
        const auto runExport = [&]() -> bool {
            ExportStatistics statistics;
            start = Clock::now();
            const bool exported =
                ExportDriverPackages({root, exportTarget.wstring(), false, L"", 1}, packages, {}, statistics);
            timings[round].ExportSeconds = std::chrono::duration<double>(Clock::now() - start).count();
            if (!exported || statistics.Exported != static_cast<std::int32_t>(count)) return false;
            return Discard(exportTarget);
        };
        // Alternating order, so neither side always finds the other's writes still being flushed.
        const bool done = round % 2 == 0 ? runPlain() && runExport() : runExport() && runPlain();
        if (!done) return Fail(L"round " + std::to_wstring(round) + L" failed");
        std::printf("%s %d: plain copy %.2f s (%.0f MiB/s), export %.2f s (%.0f MiB/s)\n",
                    round == 0 ? "warm-up" : "round", round, timings[round].PlainSeconds,
                    MegabytesPerSecond(bytes, timings[round].PlainSeconds), timings[round].ExportSeconds,
                    MegabytesPerSecond(bytes, timings[round].ExportSeconds));
    }

    std::vector<double> plain, exported;
    for (std::size_t round = 1; round < timings.size(); ++round) {
        plain.push_back(timings[round].PlainSeconds);
        exported.push_back(timings[round].ExportSeconds);
    }
    const double plainBest = MegabytesPerSecond(bytes, Best(plain));
    const double exportBest = MegabytesPerSecond(bytes, Best(exported));
    const double plainMedian = MegabytesPerSecond(bytes, Median(plain));
    const double exportMedian = MegabytesPerSecond(bytes, Median(exported));
    std::printf("plain copy: median %.0f MiB/s, best %.0f MiB/s over %d rounds\n", plainMedian, plainBest, rounds);
    std::printf("export:     median %.0f MiB/s, best %.0f MiB/s over %d rounds\n", exportMedian, exportBest, rounds);
    std::printf("throughput ratio export / plain copy: median %.2f, best %.2f (target at least 0.80)\n",
                exportMedian / plainMedian, exportBest / plainBest);

    if (!keep) {
        RemoveTree(work, error);
        if (error) return Fail(L"could not remove " + work.wstring());
    }
    return 0;
}
