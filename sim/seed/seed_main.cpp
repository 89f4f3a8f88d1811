// qb-seed: writes the demonstration driver packages into the running system
// ("current") or into an offline Windows root ("offline <root>"); "current
// awkward-texts" writes the packages with awkward texts into the running system.
#include <windows.h>

#include <string>

#include "awkward_text_windows.h"
#include "current_windows_seed.h"
#include "sample_windows.h"
#include "sim_text.h"
#include "windows_root_builder.h"

using namespace sim;

namespace {

void WriteLine(DWORD stream, const std::wstring& text) {
    const HANDLE handle = ::GetStdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    const std::wstring line = text + L"\r\n";
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        ::WriteConsoleW(handle, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
    } else {
        const std::string bytes = ToUtf8(line);
        ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

int Fail(const std::wstring& error) {
    WriteLine(STD_ERROR_HANDLE, L"qb-seed: " + error);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc >= 2 ? argv[1] : L"";
    // "current awkward-texts" seeds the packages whose texts test the backup's files instead.
    const bool awkward = command == L"current" && argc == 3 && std::wstring(argv[2]) == L"awkward-texts";
    const FixtureWindows windows = awkward ? AwkwardTextWindows() : SampleDemoWindows();
    std::wstring error;
    if (command == L"current" && (argc == 2 || awkward)) {
        if (IsCurrentWindowsSeeded(windows)) {
            WriteLine(STD_OUTPUT_HANDLE, L"The running Windows already holds these driver packages.");
            return 0;
        }
        SeededCurrentWindows seeded;
        if (!SeedCurrentWindows(windows, seeded, error)) return Fail(error);
        WriteLine(STD_OUTPUT_HANDLE, L"Seeded " + std::to_wstring(seeded.PublishedInfs.size()) +
                                         L" driver packages into the running Windows.");
        return 0;
    }
    if (command == L"offline" && argc == 3) {
        if (!BuildWindowsRoot(SampleDemoOfflineWindows(), argv[2], error)) return Fail(error);
        WriteLine(STD_OUTPUT_HANDLE, L"Built an offline Windows root with " + std::to_wstring(windows.Packages.size()) +
                                         L" driver packages in " + argv[2] + L".");
        return 0;
    }
    WriteLine(STD_ERROR_HANDLE, L"Usage: qb-seed current [awkward-texts]");
    WriteLine(STD_ERROR_HANDLE, L"       qb-seed offline <root folder>");
    return 2;
}
