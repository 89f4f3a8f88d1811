#include "store_changes.h"

#include <filesystem>
#include <set>
#include <vector>

#include "core/unique_handle.h"
#include "driver_store_layout.h"
#include "file_bytes.h"
#include "inf_metadata.h"
#include "sim_text.h"
#include "store_listing.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kStagedArchitecture[] = L"amd64";

HRESULT FileSystemFailure(const std::wstring& what, const std::error_code& ec, std::wstring& message) {
    const DWORD code = Win32ErrorFrom(ec);
    message = what + L": " + SystemErrorText(code);
    return HRESULT_FROM_WIN32(code);
}

bool IsSameOrInside(const fs::path& inner, const fs::path& outer) {
    std::wstring innerText = ToLowerText(inner.lexically_normal().wstring());
    std::wstring outerText = ToLowerText(outer.lexically_normal().wstring());
    if (innerText.empty() || innerText.back() != L'\\') innerText += L'\\';
    if (outerText.empty() || outerText.back() != L'\\') outerText += L'\\';
    return innerText.compare(0, outerText.size(), outerText) == 0;
}

// Copies the files and subfolders of `from` into `to`, leaving out any folder
// that contains the image itself (an INF kept next to its target).
HRESULT CopyPackageTree(const fs::path& from, const fs::path& to, const fs::path& imageRoot, std::wstring& message) {
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec) return FileSystemFailure(L"Cannot create " + to.wstring(), ec, message);
    fs::directory_iterator it(from, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path source = it->path();
        const fs::path target = to / source.filename();
        std::error_code typeError;
        const fs::file_status status = it->symlink_status(typeError);
        if (fs::is_directory(status)) {
            if (IsSameOrInside(imageRoot, source)) continue;
            const HRESULT hr = CopyPackageTree(source, target, imageRoot, message);
            if (FAILED(hr)) return hr;
        } else if (fs::is_regular_file(status)) {
            if (!::CopyFileW(source.c_str(), target.c_str(), FALSE)) {
                const DWORD code = ::GetLastError();
                message = L"Cannot copy " + source.wstring() + L": " + SystemErrorText(code);
                return HRESULT_FROM_WIN32(code);
            }
        }
    }
    if (ec) return FileSystemFailure(L"Cannot list " + from.wstring(), ec, message);
    return S_OK;
}

std::set<std::uint32_t> PublishedNumbers(const ImageRoot& image) {
    std::set<std::uint32_t> numbers;
    std::error_code ec;
    fs::directory_iterator it(image.PublishedInfFolder(), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::uint32_t number = 0;
        if (ParsePublishedInfName(it->path().filename().wstring(), number)) numbers.insert(number);
    }
    return numbers;
}

HRESULT PublishInf(const ImageRoot& image, const std::wstring& infPath, std::wstring& publishedName,
                   std::wstring& message) {
    const std::set<std::uint32_t> taken = PublishedNumbers(image);
    std::uint32_t number = 0;
    // A name taken between the listing and the copy only moves on to the next one.
    for (int attempt = 0; attempt < 64; ++attempt, ++number) {
        while (taken.count(number) != 0) ++number;
        const std::wstring name = L"oem" + std::to_wstring(number) + L".inf";
        const std::wstring target = image.PublishedInfFolder() + L"\\" + name;
        if (::CopyFileW(infPath.c_str(), target.c_str(), TRUE)) {
            publishedName = name;
            return S_OK;
        }
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
            message = L"Cannot publish " + infPath + L" as " + target + L": " + SystemErrorText(code);
            return HRESULT_FROM_WIN32(code);
        }
    }
    message = L"No free oemN.inf name in " + image.PublishedInfFolder();
    return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
}

// Every file of a package, opened without sharing, proves that nobody holds one.
HRESULT CheckNotInUse(const std::vector<fs::path>& files, std::wstring& message) {
    std::vector<FileHandle> held;
    for (const fs::path& file : files) {
        FileHandle handle(::CreateFileW(file.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) {
            const DWORD code = ::GetLastError();
            message = L"The driver package file " + file.wstring() + L" is in use: " + SystemErrorText(code);
            return HRESULT_FROM_WIN32(code);
        }
        held.push_back(std::move(handle));
    }
    return S_OK;
}

HRESULT CollectFiles(const fs::path& folder, std::vector<fs::path>& files, std::wstring& message) {
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) files.push_back(it->path());
    }
    if (ec) return FileSystemFailure(L"Cannot list " + folder.wstring(), ec, message);
    return S_OK;
}

}  // namespace

HRESULT AddDriverPackage(const ImageRoot& image, PCWSTR infPath, std::wstring& publishedName, std::wstring& message) {
    if (infPath == nullptr || *infPath == L'\0') {
        message = L"DismAddDriver needs the path of an INF file.";
        return E_INVALIDARG;
    }
    std::error_code ec;
    const fs::path inf = fs::absolute(fs::path(infPath), ec).lexically_normal();
    const DWORD attributes = ::GetFileAttributesW(inf.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        message = L"The driver INF " + inf.wstring() + L" does not exist.";
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    InfMetadata metadata;
    HRESULT hr = ReadInfMetadata(inf.wstring(), metadata, message);
    if (FAILED(hr)) return hr;
    std::string bytes;
    std::wstring readError;
    if (!ReadFileBytes(inf.wstring(), bytes, readError)) {
        message = readError;
        return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    }

    const std::wstring folderName =
        StoreFolderName(inf.filename().wstring(), kStagedArchitecture, StoreFolderHash(bytes));
    std::vector<StorePackage> existing;
    hr = ListStorePackages(image, existing, message);
    if (FAILED(hr)) return hr;
    for (const StorePackage& package : existing) {
        std::string publishedBytes;
        if (ReadFileBytes(package.PublishedInfPath, publishedBytes, readError) && publishedBytes == bytes) {
            publishedName = package.PublishedName;
            return S_OK;
        }
    }

    const fs::path storeFolder = fs::path(image.FileRepository()) / folderName;
    const bool staged = fs::exists(storeFolder, ec);
    fs::create_directories(image.PublishedInfFolder(), ec);
    if (ec) return FileSystemFailure(L"Cannot create " + image.PublishedInfFolder(), ec, message);
    if (!staged) {
        hr = CopyPackageTree(inf.parent_path(), storeFolder, image.Root, message);
        if (SUCCEEDED(hr)) hr = PublishInf(image, inf.wstring(), publishedName, message);
        if (FAILED(hr)) fs::remove_all(storeFolder, ec);
        return hr;
    }
    return PublishInf(image, inf.wstring(), publishedName, message);
}

HRESULT RemoveDriverPackage(const ImageRoot& image, PCWSTR publishedName, std::wstring& message) {
    if (publishedName == nullptr || *publishedName == L'\0') {
        message = L"DismRemoveDriver needs the published name of a package.";
        return E_INVALIDARG;
    }
    std::vector<StorePackage> packages;
    HRESULT hr = ListStorePackages(image, packages, message);
    if (FAILED(hr)) return hr;
    StorePackage package;
    if (!FindStorePackage(packages, fs::path(publishedName).filename().wstring(), package)) {
        message =
            L"No third-party driver package is published as " + std::wstring(publishedName) + L" in " + image.Root;
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    }

    std::vector<fs::path> published{package.PublishedInfPath};
    const fs::path precompiled = fs::path(package.PublishedInfPath).replace_extension(L".pnf");
    std::error_code ec;
    if (fs::exists(precompiled, ec)) published.push_back(precompiled);
    std::vector<fs::path> files = published;
    hr = CollectFiles(package.StoreFolderPath, files, message);
    if (SUCCEEDED(hr)) hr = CheckNotInUse(files, message);
    if (FAILED(hr)) return hr;

    // Unpublish first: should the folder resist, the package is already gone from the list.
    for (const fs::path& file : published) {
        if (!fs::remove(file, ec) && ec) return FileSystemFailure(L"Cannot delete " + file.wstring(), ec, message);
    }
    fs::remove_all(package.StoreFolderPath, ec);
    if (ec) return FileSystemFailure(L"Cannot delete " + package.StoreFolderPath, ec, message);
    return S_OK;
}

}  // namespace sim
