#include "driver_listing.h"

#include <cstring>
#include <vector>

#include "core/unique_handle.h"
#include "result_blocks.h"
#include "store_listing.h"

namespace sim {

namespace {

struct ListedPackage {
    std::wstring PublishedName;
    std::wstring OriginalFileName;
    std::wstring ClassDescription;
    InfMetadata Metadata;
};

// The default value of the class key of the running system, empty when absent.
std::wstring ClassDescriptionOfRunningSystem(const std::wstring& classGuid) {
    if (classGuid.empty()) return {};
    const std::wstring keyPath = L"SYSTEM\\CurrentControlSet\\Control\\Class\\" + classGuid;
    DWORD bytes = 0;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        bytes < sizeof(wchar_t)) {
        return {};
    }
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
        ERROR_SUCCESS) {
        return {};
    }
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

class StringPool {
public:
    explicit StringPool(wchar_t* next) noexcept : next_(next) {}
    PCWSTR Add(const std::wstring& text) noexcept {
        wchar_t* stored = next_;
        std::memcpy(stored, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        next_ += text.size() + 1;
        return stored;
    }

private:
    wchar_t* next_;
};

size_t StoredChars(const ListedPackage& package) {
    const InfMetadata& m = package.Metadata;
    return package.PublishedName.size() + package.OriginalFileName.size() + package.ClassDescription.size() +
           m.ClassName.size() + m.ClassGuid.size() + m.Provider.size() + m.CatalogFile.size() + 7;
}

}  // namespace

HRESULT BuildDriverPackageList(const ImageRoot& image, InfMetadataCache& metadata, DismDriverPackage** packages,
                               UINT* count, std::wstring& message) {
    std::vector<StorePackage> store;
    const HRESULT hr = ListStorePackages(image, store, message);
    if (FAILED(hr)) return hr;

    std::vector<ListedPackage> listed;
    size_t chars = 0;
    for (const StorePackage& package : store) {
        ListedPackage entry;
        std::wstring ignored;
        if (FAILED(metadata.Read(package.StoreFolderPath + L"\\" + package.InfName, package.InfHash, package.InfSize,
                                 entry.Metadata, ignored))) {
            continue;
        }
        entry.PublishedName = package.PublishedName;
        entry.OriginalFileName =
            image.ReportedFileRepository() + L"\\" + package.StoreFolderName + L"\\" + package.InfName;
        if (image.Online) entry.ClassDescription = ClassDescriptionOfRunningSystem(entry.Metadata.ClassGuid);
        chars += StoredChars(entry);
        listed.push_back(std::move(entry));
    }

    const size_t arrayBytes = listed.size() * sizeof(DismDriverPackage);
    auto* block = static_cast<unsigned char*>(AllocateResultBlock(arrayBytes + chars * sizeof(wchar_t)));
    if (block == nullptr) {
        message = L"Out of memory listing " + std::to_wstring(listed.size()) + L" driver packages.";
        return E_OUTOFMEMORY;
    }
    auto* array = reinterpret_cast<DismDriverPackage*>(block);
    StringPool pool(reinterpret_cast<wchar_t*>(block + arrayBytes));
    for (size_t i = 0; i < listed.size(); ++i) {
        const ListedPackage& source = listed[i];
        const InfMetadata& m = source.Metadata;
        DismDriverPackage& target = array[i];
        target.PublishedName = pool.Add(source.PublishedName);
        target.OriginalFileName = pool.Add(source.OriginalFileName);
        target.InBox = FALSE;
        target.CatalogFile = pool.Add(m.CatalogFile);
        target.ClassName = pool.Add(m.ClassName);
        target.ClassGuid = pool.Add(m.ClassGuid);
        target.ClassDescription = pool.Add(source.ClassDescription);
        target.BootCritical = m.BootCritical ? TRUE : FALSE;
        target.DriverSignature = DismDriverSignatureUnknown;
        target.ProviderName = pool.Add(m.Provider);
        target.Date = m.Date;
        target.MajorVersion = m.Version[0];
        target.MinorVersion = m.Version[1];
        target.Build = m.Version[2];
        target.Revision = m.Version[3];
    }
    *packages = array;
    *count = static_cast<UINT>(listed.size());
    return S_OK;
}

DismString* NewDismString(const std::wstring& text) {
    auto* block =
        static_cast<unsigned char*>(AllocateResultBlock(sizeof(DismString) + (text.size() + 1) * sizeof(wchar_t)));
    if (block == nullptr) return nullptr;
    auto* result = reinterpret_cast<DismString*>(block);
    StringPool pool(reinterpret_cast<wchar_t*>(block + sizeof(DismString)));
    result->Value = pool.Add(text);
    return result;
}

}  // namespace sim
