#include "console/target_packages.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <optional>

#include "analysis/installed_inventory.h"
#include "console/console_output.h"
#include "platform/dism_api.h"
#include "platform/driver_store_locator.h"
#include "platform/path_rules.h"
#include "platform/store_read_ahead.h"
#include "platform/target_windows.h"
#include "platform/windows_version.h"

namespace {

constexpr DWORD kLongPath = 32768;
constexpr TextId kNotWindowsText = 113;
constexpr TextId kReadingText = 95;

// The drive (or share) root of the Windows folder; empty when it is unknown.
std::wstring CurrentWindowsRoot() {
    std::wstring folder(kLongPath, L'\0');
    const DWORD length = ::GetWindowsDirectoryW(folder.data(), kLongPath);
    if (length == 0 || length >= kLongPath) return {};
    folder.resize(length);
    const std::filesystem::path path(folder);
    return (path.root_name() / path.root_directory()).wstring();
}

}  // namespace

bool ChooseConsoleTarget(ConsoleState& state, const std::wstring& given, std::wstring& error) {
    state.TargetIsCurrent = true;
    if (given.empty()) return true;
    // Normalised first so that a bare drive means its root, not its current folder.
    const std::wstring root = NormalizeTargetRoot(FullPathName(NormalizeTargetRoot(given)));
    if (IsRunningWindowsRoot(root)) return true;
    if (!IsWindowsRoot(root)) {
        error = given + L": " + GetText(state.Language, kNotWindowsText);
        return false;
    }
    state.TargetIsCurrent = false;
    state.TargetRoot = root;
    return true;
}

bool LoadTargetPackages(ConsoleState& state, std::vector<DriverPackage>& packages, std::wstring& error,
                        std::vector<std::wstring>* storeFolders) {
    packages.clear();
    if (storeFolders) storeFolders->clear();
    if (state.TargetIsCurrent) state.TargetRoot = CurrentWindowsRoot();
    if (state.TargetRoot.empty()) {
        error = L"Не удалось определить корень текущей Windows.";
        return false;
    }
    // Hardware IDs for the offline Windows' own platform, not for the one running.
    std::optional<OfflineWindowsVersion> offline;
    if (!state.TargetIsCurrent) {
        std::wstring unread;
        offline = ReadOfflineWindowsVersion(state.TargetRoot, unread);
        if (!unread.empty()) LogConsoleEvent(state, unread);
    }
    const OfflineWindowsVersion* platform = offline ? &*offline : nullptr;

    // The store is read ahead while DISM lists the packages, which on a large
    // store takes seconds of its own.
    StoreReadAhead readAhead;
    std::atomic<bool> listed{false};
    std::future<void> readingAhead =
        std::async(std::launch::async, [&] { readAhead.ReadUntil(state.TargetRoot, platform, listed); });
    const bool read = [&] {
        DismSessionScope session(state.Dism);
        return session.Open(state.TargetIsCurrent ? std::wstring(dism::kOnlineImage) : state.TargetRoot, error) &&
               ReadDismDriverPackages(state.Dism, session.Handle(), packages, error);
    }();  // the session closes before the Driver Store is read
    listed = true;
    readingAhead.get();
    if (!read) return false;

    // Two readers, each with its own locator, take every other package: reading
    // INFs and measuring folders wait on the file system as much as they compute,
    // and a large store takes minutes. Only this thread writes to the console.
    const std::size_t count = packages.size();
    std::vector<std::wstring> folders(count);
    std::atomic<std::size_t> done{0};
    const auto readEvery = [&](std::size_t first, bool showProgress) {
        DriverStoreLocator locator(state.TargetRoot);
        for (std::size_t i = first; i < count; i += 2) {
            if (showProgress)
                ShowConsoleProgress(static_cast<int>(done * 100 / count),
                                    GetText(state.Language, kReadingText) + std::wstring(L" ") +
                                        packages[i].PublishedName);
            folders[i] = EnrichPackage(packages[i], locator, true, platform, &readAhead);
            ++done;
        }
    };
    std::future<void> second = std::async(std::launch::async, readEvery, 1, false);
    readEvery(0, true);
    second.get();

    std::vector<DriverPackage> kept;
    for (std::size_t i = 0; i < count; ++i) {
        if (!IsOemPackage(packages[i])) continue;
        kept.push_back(std::move(packages[i]));
        if (storeFolders) storeFolders->push_back(std::move(folders[i]));
    }
    ClearConsoleProgress();
    packages = std::move(kept);
    return true;
}

bool ReadPackagesForConsole(ConsoleState& state, std::vector<DriverPackage>& packages) {
    WriteConsoleLine(GetText(state.Language, kReadingText));
    std::wstring error;
    if (LoadTargetPackages(state, packages, error)) return true;
    LogConsoleEvent(state, error);
    WriteConsoleError(error);
    return false;
}

BindingSnapshot ReadTargetBindings(const ConsoleState& state, bool includeAll) {
    return ReadBindingSnapshot(TargetWindows{L"", state.TargetRoot, state.TargetIsCurrent}, includeAll);
}
