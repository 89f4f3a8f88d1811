#include "store_listing.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "driver_store_layout.h"
#include "file_bytes.h"
#include "sim_text.h"

namespace sim {

namespace {

struct FoundFile {
    std::wstring Name;
    bool IsDirectory = false;
};

// The entries of a folder; a folder that does not exist has none.
HRESULT ListFolder(const std::wstring& folder, std::vector<FoundFile>& found, std::wstring& message) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec == std::errc::no_such_file_or_directory) return S_OK;
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        found.push_back({it->path().filename().wstring(), it->is_directory(typeError)});
    }
    if (ec) {
        const DWORD code = Win32ErrorFrom(ec);
        message = L"Cannot list " + folder + L": " + SystemErrorText(code);
        return HRESULT_FROM_WIN32(code);
    }
    return S_OK;
}

struct StoreCopy {
    std::wstring FolderName;
    std::wstring InfName;
    std::string InfBytes;
};

// In name order without regard to case; each name is lower-cased once.
void SortByName(std::vector<FoundFile>& entries) {
    std::vector<std::pair<std::wstring, FoundFile>> keyed;
    keyed.reserve(entries.size());
    for (FoundFile& entry : entries) keyed.emplace_back(ToLowerText(entry.Name), std::move(entry));
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i) entries[i] = std::move(keyed[i].second);
}

// Store folders keyed by the hash of the INF they hold, in folder-name order.
HRESULT IndexStoreFolders(const ImageRoot& image, std::multimap<std::wstring, StoreCopy>& index,
                          std::wstring& message) {
    std::vector<FoundFile> entries;
    const HRESULT hr = ListFolder(image.FileRepository(), entries, message);
    if (FAILED(hr)) return hr;
    SortByName(entries);
    for (const FoundFile& entry : entries) {
        StoreFolderParts parts;
        if (!entry.IsDirectory || !ParseStoreFolderName(entry.Name, parts)) continue;
        StoreCopy copy{entry.Name, parts.InfName, {}};
        std::wstring ignored;
        if (!ReadFileBytes(image.FileRepository() + L"\\" + entry.Name + L"\\" + parts.InfName, copy.InfBytes,
                           ignored)) {
            continue;
        }
        std::wstring hash = StoreFolderHash(copy.InfBytes);
        index.emplace(std::move(hash), std::move(copy));
    }
    return S_OK;
}

}  // namespace

HRESULT ListStorePackages(const ImageRoot& image, std::vector<StorePackage>& packages, std::wstring& message) {
    std::vector<FoundFile> published;
    HRESULT hr = ListFolder(image.PublishedInfFolder(), published, message);
    if (FAILED(hr)) return hr;
    std::multimap<std::wstring, StoreCopy> index;
    hr = IndexStoreFolders(image, index, message);
    if (FAILED(hr)) return hr;

    std::vector<StorePackage> listed;
    for (const FoundFile& file : published) {
        std::uint32_t number = 0;
        if (file.IsDirectory || !ParsePublishedInfName(file.Name, number)) continue;
        const std::wstring path = image.PublishedInfFolder() + L"\\" + file.Name;
        std::string bytes;
        std::wstring ignored;
        if (!ReadFileBytes(path, bytes, ignored)) continue;
        std::wstring hash = StoreFolderHash(bytes);
        const auto [first, last] = index.equal_range(hash);
        const auto match = std::find_if(first, last, [&](const auto& entry) { return entry.second.InfBytes == bytes; });
        if (match == last) continue;
        listed.push_back({number, file.Name, path, match->second.FolderName,
                          image.FileRepository() + L"\\" + match->second.FolderName, match->second.InfName,
                          std::move(hash), bytes.size()});
    }
    std::sort(listed.begin(), listed.end(), [](const StorePackage& a, const StorePackage& b) {
        if (a.Number != b.Number) return a.Number < b.Number;
        return ToLowerText(a.PublishedName) < ToLowerText(b.PublishedName);
    });
    packages = std::move(listed);
    return S_OK;
}

bool FindStorePackage(const std::vector<StorePackage>& packages, const std::wstring& publishedName,
                      StorePackage& found) {
    for (const StorePackage& package : packages) {
        if (EqualsIgnoreCase(package.PublishedName, publishedName)) {
            found = package;
            return true;
        }
    }
    return false;
}

}  // namespace sim
