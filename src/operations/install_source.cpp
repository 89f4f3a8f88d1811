#include "operations/install_source.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <system_error>

#include "core/string_compare.h"
#include "operations/error_code_text.h"
#include "operations/seven_zip_archive.h"
#include "platform/file_names.h"
#include "platform/file_tree.h"
#include "platform/inf_reader.h"
#include "platform/package_size.h"

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kExtractionPrefix[] = L"Quillbay-archive-";

void Report(const OperationCallbacks& callbacks, const std::wstring& text, int percent) {
    if (callbacks.Progress) callbacks.Progress(text, percent);
}

void ThrowIfCancelled(const OperationCallbacks& callbacks) {
    if (callbacks.Cancelled && callbacks.Cancelled()) throw OperationCancelled{};
}

// "C:\Temp\" and "C:\Temp" name the same folder.
fs::path ComparablePath(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
    return normal;
}

// Unpacks the archive into a new extraction folder; false with `result.Error`.
bool ExtractSource(const std::wstring& archive, LangId language, const OperationCallbacks& callbacks,
                   std::wstring& extractionFolder, InstallSourceScan& result) {
    const SevenZipTool tool = Locate7Zip(callbacks.LogLine);
    if (tool.Path.empty()) {
        result.Error = GetText(language, 106);
        return false;
    }
    std::error_code tempError;
    const fs::path temp = fs::temp_directory_path(tempError);
    if (tempError) {
        result.Error = DescribeErrorCode(tempError);
        return false;
    }
    extractionFolder = (temp / (kExtractionPrefix + LocalTimestamp() + L"-" + UniqueNameSuffix())).wstring();

    const std::wstring extractingText = GetText(language, 99);
    Report(callbacks, extractingText, -1);
    const auto progress = [&](int percent) {
        if (callbacks.Cancelled && callbacks.Cancelled()) return;
        Report(callbacks,
               percent >= 0 ? extractingText + L" \u2014 " + std::to_wstring(percent) + L"%" : extractingText, percent);
    };
    if (ExtractSevenZipArchive(tool, archive, extractionFolder, result.Error, progress)) return true;
    DiscardExtractedSource(extractionFolder);
    return false;
}

// Every regular file (links followed) named *.inf below `folder`, in walk order.
bool FindInfFiles(const fs::path& folder, const OperationCallbacks& callbacks, std::vector<fs::path>& infs,
                  std::wstring& error) {
    std::error_code walkError;
    fs::recursive_directory_iterator walk(folder, walkError);
    for (; !walkError && walk != fs::recursive_directory_iterator(); walk.increment(walkError)) {
        ThrowIfCancelled(callbacks);
        std::error_code statusError;
        const fs::path& path = walk->path();
        if (walk->is_regular_file(statusError) && EqualsIgnoreCase(path.extension().wstring(), L".inf"))
            infs.push_back(path);
    }
    if (!walkError) return true;
    error = DescribeErrorCode(walkError);
    return false;
}

}  // namespace

void ScanInstallSource(const std::wstring& source, bool isArchive, LangId language, const OperationCallbacks& callbacks,
                       std::wstring& extractionFolder, InstallSourceScan& result) {
    result = InstallSourceScan{};
    DiscardExtractedSource(extractionFolder);
    fs::path folder = source;
    if (isArchive) {
        if (!ExtractSource(source, language, callbacks, extractionFolder, result)) return;
        folder = extractionFolder;
    }
    ThrowIfCancelled(callbacks);

    std::error_code statusError;
    if (!fs::is_directory(folder, statusError)) {
        result.Error = GetText(language, 211);
        return;
    }
    Report(callbacks, GetText(language, 97), -1);
    std::vector<fs::path> infs;
    if (!FindInfFiles(folder, callbacks, infs, result.Error)) return;

    // Packages of one folder share its size; each folder is walked once.
    std::map<fs::path, std::uint64_t> folderSizes;
    const std::size_t count = infs.size();
    for (const fs::path& inf : infs) {
        ThrowIfCancelled(callbacks);
        const fs::path parent = inf.parent_path();
        auto size = folderSizes.find(parent);
        if (size == folderSizes.end()) size = folderSizes.emplace(parent, FolderSize(parent)).first;
        ThrowIfCancelled(callbacks);

        DriverPackage& package = result.Packages.emplace_back(ReadInfPackage(inf.wstring()));
        package.SizeBytes = size->second;
        const std::size_t read = result.Packages.size();
        Report(callbacks, GetText(language, 137) + std::to_wstring(read) + L" / " + std::to_wstring(count),
               static_cast<int>(read * 100 / count));
    }
    result.Done = true;
}

void DiscardExtractedSource(std::wstring& extractionFolder) {
    if (extractionFolder.empty()) return;
    const fs::path stored = ComparablePath(extractionFolder);
    std::error_code tempError;
    const fs::path temp = fs::temp_directory_path(tempError);
    if (!tempError && !temp.empty() && stored.parent_path() == ComparablePath(temp) &&
        stored.filename().wstring().rfind(kExtractionPrefix, 0) == 0) {
        std::error_code ignored;
        RemoveTree(stored, ignored);
    }
    extractionFolder.clear();
}
