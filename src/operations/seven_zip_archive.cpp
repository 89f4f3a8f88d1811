#include "operations/seven_zip_archive.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "operations/seven_zip_process.h"
#include "platform/path_rules.h"

namespace {

bool CreateFolders(const std::filesystem::path& folder) {
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    return !failure;
}

}  // namespace

bool CreateSevenZipArchive(const SevenZipTool& tool, const std::wstring& sourceFolder, const std::wstring& archivePath,
                           std::wstring& error, const std::function<void(int)>& progress) {
    std::error_code ignored;
    const std::wstring source = NormalizePath(sourceFolder);
    if (source.empty() || !std::filesystem::is_directory(source, ignored)) {
        error = L"Папка для архивирования не существует: " + sourceFolder;
        return false;
    }
    const std::wstring archive = NormalizePath(archivePath);
    if (archive.empty()) {
        error = L"Не удалось определить полный путь архива.";
        return false;
    }
    if (!CreateFolders(std::filesystem::path(archive).parent_path())) {
        error = L"Не удалось создать папку архива.";
        return false;
    }
    // The folder is named in the pattern too, not only as the working directory: a
    // system that cannot start a process in a UNC folder (Wine) must not make 7-Zip
    // pack the folder it starts in instead.
    const std::wstring pattern = source + (source.back() == L'\\' ? L"*" : L"\\*");
    const std::vector<std::wstring> arguments = {L"a",    L"-t7z",   L"-mx=5",     L"-y",   L"-bsp1",
                                                 L"-bso2", L"-bse2", L"-sccUTF-8", archive, pattern};
    return Run7Zip(tool.Path, arguments, source, error, progress);
}

bool ExtractSevenZipArchive(const SevenZipTool& tool, const std::wstring& archivePath,
                            const std::wstring& destinationFolder, std::wstring& error,
                            const std::function<void(int)>& progress) {
    std::error_code ignored;
    const std::wstring archive = NormalizePath(archivePath);
    if (archive.empty() || !std::filesystem::is_regular_file(archive, ignored)) {
        error = L"Архив не существует: " + archivePath;
        return false;
    }
    const std::wstring destination = NormalizePath(destinationFolder);
    if (destination.empty()) {
        error = L"Не удалось определить полный путь папки распаковки.";
        return false;
    }
    if (!CreateFolders(destination)) {
        error = L"Не удалось создать временную папку распаковки.";
        return false;
    }
    const std::vector<std::wstring> arguments = {L"x",     L"-y",        L"-aoa",   L"-bsp1", L"-bso2",
                                                 L"-bse2", L"-sccUTF-8", L"-o" + destination, archive};
    return Run7Zip(tool.Path, arguments, L"", error, progress);
}
