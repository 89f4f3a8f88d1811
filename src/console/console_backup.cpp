#include "console/console_backup.h"

#include <windows.h>

#include <filesystem>
#include <vector>

#include "console/console_output.h"
#include "console/target_packages.h"
#include "operations/backup_export.h"
#include "operations/seven_zip_locator.h"
#include "platform/path_rules.h"

namespace fs = std::filesystem;

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "\\.\x.7z" and "\\?\x.7z" name a device, not a file in a folder; the
// library's folder creation even crashes on the bare namespace root.
bool IsInDeviceNamespaceRoot(const std::wstring& path) {
    return path.size() > 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == L'.' || path[2] == L'?') &&
           IsSeparator(path[3]) && path.find_first_of(L"\\/", 4) == std::wstring::npos;
}

// The absolute path, or empty when there is none or it names no file in a folder.
fs::path AbsoluteArchivePath(const std::wstring& path) {
    const std::wstring full = FullPathName(path);
    if (full.empty() || IsInDeviceNamespaceRoot(full)) return {};
    fs::path result(full);
    return result.has_filename() ? result : fs::path();
}

}  // namespace

int RunConsoleBackup(ConsoleState& state, const std::wstring& archivePath) {
    const LangId language = state.Language;
    if (Locate7Zip([&state](const std::wstring& text) { LogConsoleEvent(state, text); }).Path.empty()) {
        WriteConsoleLine(GetText(language, 106), true);
        return 4;
    }
    const fs::path archive = AbsoluteArchivePath(archivePath);
    if (archive.empty()) {
        WriteConsoleLine(GetText(language, 165), true);
        return 2;
    }

    std::vector<DriverPackage> packages;
    if (!ReadPackagesForConsole(state, packages)) return 4;
    WriteConsoleLine(GetText(language, 136) + std::to_wstring(packages.size()));
    if (packages.empty()) return 0;

    BackupRequest request;
    request.TargetRoot = state.TargetRoot;
    request.Destination = archive.parent_path().wstring();
    request.PackToArchive = true;
    request.ArchivePath = archive.wstring();
    request.Language = language;
    std::vector<DriverPackage*> selection;
    for (DriverPackage& package : packages) selection.push_back(&package);
    OperationCallbacks callbacks;
    callbacks.LogLine = [&state](const std::wstring& text) { LogConsoleEvent(state, text); };
    callbacks.Cancelled = [&state] { return CallerEnded(state); };
    callbacks.Progress = [](const std::wstring& text, int percent) { ShowConsoleProgress(percent, text); };

    ExportStatistics statistics;
    const bool exported = ExportDriverPackages(request, selection, callbacks, statistics);
    if (statistics.Cancelled) LogCallerEnded(state);
    WriteConsoleLine(GetText(language, 135) + std::to_wstring(statistics.Exported));
    WriteConsoleLine(GetText(language, 145) + std::to_wstring(statistics.Failures));
    if (!statistics.ResultPath.empty()) WriteConsoleLine(statistics.ResultPath);
    if (exported) return 0;
    WriteLogPointer(state);
    return statistics.Exported == 0 ? 4 : 3;
}
