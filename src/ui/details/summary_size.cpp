#include "ui/details/summary_size.h"

#include <filesystem>
#include <limits>
#include <map>

#include "core/string_compare.h"
#include "platform/package_text.h"
#include "platform/path_rules.h"

namespace {

void AddSize(SizeTotal& total, std::uint64_t size) {
    if (size == 0 || size > std::numeric_limits<std::uint64_t>::max() - total.Bytes) {
        total.Incomplete = true;
        return;
    }
    total.Bytes += size;
}

}  // namespace

SizeTotal SumPackageSizes(const std::vector<DriverPackage*>& packages) {
    SizeTotal total;
    for (const DriverPackage* package : packages) AddSize(total, package->SizeBytes);
    return total;
}

SizeTotal SumSourceFolderSizes(const std::vector<DriverPackage*>& packages) {
    SizeTotal total;
    std::map<std::wstring, std::uint64_t, IgnoreCaseLess> folders;
    for (const DriverPackage* package : packages) {
        const std::wstring folder =
            package->InfPath.empty() ? std::wstring() : NormalizePath(std::filesystem::path(package->InfPath).parent_path());
        if (folder.empty()) {
            total.Incomplete = true;
            continue;
        }
        std::uint64_t& size = folders[folder];
        size = std::max(size, package->SizeBytes);
    }
    for (auto folder = folders.begin(); folder != folders.end(); ++folder) {
        bool insideCounted = false;
        for (auto other = folders.begin(); other != folders.end() && !insideCounted; ++other)
            insideCounted = other != folder && other->second != 0 && IsPathInside(folder->first, other->first);
        if (!insideCounted) AddSize(total, folder->second);
    }
    return total;
}

std::wstring FormatSizeTotal(const SizeTotal& total, LangId language) {
    const std::wstring size = FormatSize(total.Bytes, language);
    return total.Incomplete && total.Bytes != 0 ? L"\u2265 " + size : size;
}
