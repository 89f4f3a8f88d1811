#include "operations/backup_export.h"

#include <windows.h>

#include <filesystem>
#include <system_error>

#include "operations/archive_naming.h"
#include "operations/backup_manifest.h"
#include "operations/error_code_text.h"
#include "operations/seven_zip_archive.h"
#include "platform/driver_store_locator.h"
#include "platform/file_names.h"
#include "platform/file_tree.h"
#include "platform/package_text.h"
#include "platform/path_rules.h"
#include "platform/utf8_file.h"

namespace fs = std::filesystem;

namespace {

// One export: the backup folder it fills and the manifest entries it collects.
// 7-Zip has just worked inside the folder, and the system (or a scanner reading
// new files) may hold on to it for a moment after the process has been reported
// ended, so a sharing violation is retried for up to a second.
void RemoveFolderAfterChild(const fs::path& folder, std::error_code& error) {
    for (int attempt = 0;; ++attempt) {
        RemoveTree(folder, error);
        if (!error || error.value() != ERROR_SHARING_VIOLATION || attempt == 20) return;
        ::Sleep(50);
    }
}

class ExportRun {
public:
    ExportRun(const BackupRequest& request, const OperationCallbacks& callbacks, ExportStatistics& statistics)
        : request_(request), callbacks_(callbacks), statistics_(statistics) {}

    bool Run(const std::vector<DriverPackage*>& packages);

private:
    void LogLine(const std::wstring& text) const {
        if (callbacks_.LogLine) callbacks_.LogLine(text);
    }
    void Progress(const std::wstring& text, int percent) const {
        if (callbacks_.Progress) callbacks_.Progress(text, percent);
    }
    bool CancelRequested() const { return callbacks_.Cancelled && callbacks_.Cancelled(); }
    // A checkpoint: once set, the flag stays.
    void CheckCancel() {
        if (CancelRequested()) statistics_.Cancelled = true;
    }

    void ExportPackage(const DriverPackage& package);
    void FailPackage(const fs::path& packageFolder, const std::wstring& error);
    void WriteManifest();
    void PackIntoArchive(const SevenZipTool& tool);

    const BackupRequest& request_;
    const OperationCallbacks& callbacks_;
    ExportStatistics& statistics_;
    fs::path backupFolder_;
    BackupManifest manifest_;
};

void ExportRun::FailPackage(const fs::path& packageFolder, const std::wstring& error) {
    ++statistics_.Failures;
    LogLine(error);
    std::error_code removal;
    RemoveTree(packageFolder, removal);
    if (removal) LogLine(L"Не удалось удалить неполную копию: " + packageFolder.wstring());
}

void ExportRun::ExportPackage(const DriverPackage& package) {
    const std::wstring storeFolder = LocateDriverStoreFolder(package, request_.TargetRoot);
    if (storeFolder.empty()) {
        ++statistics_.Failures;
        LogLine(L"Не найдена папка Driver Store для " + PackageDisplayName(package));
        return;
    }

    const fs::path classFolder = backupFolder_ / SanitizeFileName(package.ClassDescription, 64);
    std::error_code folderError;
    fs::path packageFolder;
    fs::create_directories(classFolder, folderError);
    if (!folderError)
        packageFolder = CreateUniqueFolder(classFolder, SanitizeFileName(PackageFolderName(package), 112), folderError);
    if (packageFolder.empty()) {
        ++statistics_.Failures;
        LogLine(L"Не удалось создать папку пакета: " + classFolder.wstring() + L": " + DescribeErrorCode(folderError));
        return;
    }

    std::wstring error;
    if (!CopyTree(storeFolder, packageFolder, error)) return FailPackage(packageFolder, error);

    const std::wstring infName =
        package.OriginalInfName.empty() ? GetOriginalInfName(package) : package.OriginalInfName;
    const fs::path copiedInf = packageFolder / infName;
    std::error_code statusError;
    if (!fs::is_regular_file(copiedInf, statusError))
        return FailPackage(packageFolder, L"INF не найден в резервной копии: " + copiedInf.wstring());

    const PackageInfo info{package.PublishedName, infName,      package.Provider,    package.ClassDescription,
                           package.Version,       package.Date, package.BootCritical};
    if (!WriteUtf8File(packageFolder / L"package-info.json", RenderPackageInfo(info), error))
        return FailPackage(packageFolder, error);

    manifest_.Packages.push_back({infName, package.Version, packageFolder.lexically_relative(backupFolder_).wstring()});
    ++statistics_.Exported;
    LogLine(L"Экспортирован " + PackageDisplayName(package) + L" -> " + packageFolder.wstring());
}

void ExportRun::WriteManifest() {
    std::wstring error;
    if (WriteUtf8File(backupFolder_ / L"manifest.json", RenderBackupManifest(manifest_), error)) return;
    ++statistics_.Failures;
    LogLine(error);
}

void ExportRun::PackIntoArchive(const SevenZipTool& tool) {
    const std::wstring archiveText = GetText(request_.Language, 98);
    Progress(archiveText, -1);

    // Beside the backup folder and named after it unless the caller chose a name.
    const fs::path requested =
        request_.ArchivePath.empty() ? fs::path(backupFolder_.wstring() + L".7z") : fs::path(request_.ArchivePath);
    std::error_code folderError;
    const fs::path wanted = FullPathName(requested.wstring());
    if (wanted.empty()) folderError = std::make_error_code(std::errc::invalid_argument);
    fs::path temporaryFolder;
    if (!folderError) fs::create_directories(wanted.parent_path(), folderError);
    if (!folderError) temporaryFolder = CreateUniqueFolder(wanted.parent_path(), L"DriverBackup-archive", folderError);

    fs::path archive;
    std::wstring archiveError;
    if (temporaryFolder.empty()) {
        archiveError = L"Не удалось создать временную папку архива: " + DescribeErrorCode(folderError);
    } else {
        const fs::path temporaryArchive = temporaryFolder / L"backup.7z";
        const auto progress = [&](int percent) {
            if (CancelRequested()) return;
            Progress(percent >= 0 ? archiveText + L" \u2014 " + std::to_wstring(percent) + L"%" : archiveText, percent);
        };
        if (CreateSevenZipArchive(tool, backupFolder_.wstring(), temporaryArchive.wstring(), archiveError, progress))
            archive = MoveArchiveToFreeName(temporaryArchive, wanted, archiveError);
        std::error_code removal;
        RemoveTree(temporaryFolder, removal);
        if (removal) LogLine(L"Не удалось удалить временную папку: " + temporaryFolder.wstring());
    }

    if (archive.empty()) {
        ++statistics_.Failures;
        LogLine(L"Ошибка создания архива: " + archiveError + L" Папка сохранена: " + backupFolder_.wstring());
        return;
    }
    LogLine(L"Создан архив резервной копии: " + archive.wstring());
    std::error_code removal;
    RemoveFolderAfterChild(backupFolder_, removal);
    if (removal) LogLine(L"Не удалось удалить временную папку: " + DescribeErrorCode(removal));
    statistics_.ResultPath = archive.wstring();
}

bool ExportRun::Run(const std::vector<DriverPackage*>& packages) {
    SevenZipTool tool;
    if (request_.PackToArchive) {
        tool = Locate7Zip(callbacks_.LogLine);
        if (tool.Path.empty()) {
            LogLine(GetText(request_.Language, 196));
            return false;
        }
        LogLine(L"Для архивирования используется: " + tool.Path);
    }

    const fs::path destination = request_.Destination;
    std::error_code folderError;
    fs::create_directories(destination, folderError);
    if (folderError) {
        LogLine(L"Не удалось создать папку: " + request_.Destination);
        return false;
    }
    backupFolder_ = CreateUniqueFolder(destination, L"DriverBackup_" + LocalTimestamp(), folderError);
    if (backupFolder_.empty()) {
        LogLine(L"Не удалось создать корневую папку копии: " + request_.Destination);
        return false;
    }
    statistics_.ResultPath = backupFolder_.wstring();

    const std::size_t count = packages.size();
    for (std::size_t i = 0; i < count; ++i) {
        CheckCancel();
        if (statistics_.Cancelled) break;
        const DriverPackage& package = *packages[i];
        Progress(GetText(request_.Language, 133) + PackageFolderName(package), static_cast<int>(i * 100 / count));
        ExportPackage(package);
    }
    // Also after a cancellation: the folder must describe what it holds.
    WriteManifest();
    CheckCancel();

    if (request_.PackToArchive && !statistics_.Cancelled && statistics_.Failures == 0) PackIntoArchive(tool);
    CheckCancel();
    return statistics_.Failures == 0 && !statistics_.Cancelled;
}

}  // namespace

bool ExportDriverPackages(const BackupRequest& request, const std::vector<DriverPackage*>& packages,
                          const OperationCallbacks& callbacks, ExportStatistics& statistics) {
    statistics = ExportStatistics{};
    if (packages.empty() || request.Destination.empty()) return false;
    return ExportRun(request, callbacks, statistics).Run(packages);
}
