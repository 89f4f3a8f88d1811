#include "platform/driver_package.h"

#include <cwchar>
#include <limits>

#include "core/string_compare.h"
#include "platform/dism_session.h"

namespace {

std::wstring CopyDismString(PCWSTR text) { return text ? std::wstring(text) : std::wstring(); }

// Owns DISM's package array so every path releases it with DismDelete.
class DismPackageArray {
public:
    explicit DismPackageArray(const DismFunctions& api) : api_(api) {}
    DismPackageArray(const DismPackageArray&) = delete;
    DismPackageArray& operator=(const DismPackageArray&) = delete;
    ~DismPackageArray() {
        if (packages) api_.DismDelete(packages);
    }

    dism::DriverPackage* packages = nullptr;
    UINT count = 0;

private:
    const DismFunctions& api_;
};

DriverPackage RecordFromDism(const dism::DriverPackage& source) {
    DriverPackage record;
    record.PublishedName = CopyDismString(source.PublishedName);
    record.OriginalFileName = CopyDismString(source.OriginalFileName);
    record.CatalogFile = CopyDismString(source.CatalogFile);
    record.ClassName = CopyDismString(source.ClassName);
    record.ClassGuid = CopyDismString(source.ClassGuid);
    record.ClassDescription = CopyDismString(source.ClassDescription);
    if (record.ClassDescription.empty()) record.ClassDescription = record.ClassName;
    if (record.ClassDescription.empty()) record.ClassDescription = L"Другие устройства";
    record.Provider = CopyDismString(source.ProviderName);
    if (record.Provider.empty()) record.Provider = kProviderNotSpecified;
    record.Version = FormatDismVersion(source.MajorVersion, source.MinorVersion, source.Build, source.Revision);
    record.Date = FormatDismDate(source.Date);
    record.InBox = source.InBox != FALSE;
    record.BootCritical = source.BootCritical != FALSE;
    return record;
}

}  // namespace

bool ReadDismDriverPackages(const DismSession& session, dism::Session handle, std::vector<DriverPackage>& out,
                            std::wstring& error) {
    if (!session.IsInitialized()) {
        error = L"DismGetDrivers: " + session.DescribeDismError(static_cast<HRESULT>(0xC0040001));
        return false;
    }
    const DismFunctions& api = session.Api();
    DismPackageArray result(api);
    const HRESULT hr = api.DismGetDrivers(handle, FALSE, &result.packages, &result.count);
    if (FAILED(hr)) {
        error = L"DismGetDrivers: " + session.DescribeDismError(hr);
        return false;
    }
    out.clear();
    out.reserve(result.count);
    for (UINT i = 0; i < result.count; ++i) out.push_back(RecordFromDism(result.packages[i]));
    return true;
}

std::wstring FormatDismVersion(unsigned major, unsigned minor, unsigned build, unsigned revision) {
    return std::to_wstring(major) + L'.' + std::to_wstring(minor) + L'.' + std::to_wstring(build) + L'.' +
           std::to_wstring(revision);
}

std::wstring FormatDismDate(const SYSTEMTIME& date) {
    if (date.wYear == 0) return {};
    wchar_t text[16];
    std::swprintf(text, 16, L"%04u-%02u-%02u", static_cast<unsigned>(date.wYear), static_cast<unsigned>(date.wMonth),
                  static_cast<unsigned>(date.wDay));
    return text;
}

bool IsOemPackage(const DriverPackage& package) {
    if (package.InBox) return false;
    const std::wstring& published = package.PublishedName;
    const size_t separator = published.find_last_of(L"\\/");
    const std::wstring_view name =
        separator == std::wstring::npos ? std::wstring_view(published) : std::wstring_view(published).substr(separator + 1);
    if (name.size() < 8) return false;
    if (!EqualsIgnoreCase(name.substr(0, 3), L"oem") || !EqualsIgnoreCase(name.substr(name.size() - 4), L".inf"))
        return false;
    for (wchar_t c : name.substr(3, name.size() - 7)) {
        if (c < L'0' || c > L'9') return false;
    }
    return true;
}

std::vector<std::uint64_t> VersionNumbers(const std::wstring& text) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::vector<std::uint64_t> runs;
    runs.reserve(4);  // a version has four numbers, a date three
    bool inRun = false;
    for (wchar_t c : text) {
        if (c >= L'0' && c <= L'9') {
            if (!inRun) runs.push_back(0);
            inRun = true;
            std::uint64_t& value = runs.back();
            const auto digit = static_cast<std::uint64_t>(c - L'0');
            value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
        } else {
            inRun = false;
        }
    }
    return runs;
}

int CompareVersionNumbers(const std::vector<std::uint64_t>& a, const std::vector<std::uint64_t>& b) {
    const size_t length = a.size() > b.size() ? a.size() : b.size();
    for (size_t i = 0; i < length; ++i) {
        const std::uint64_t x = i < a.size() ? a[i] : 0;
        const std::uint64_t y = i < b.size() ? b[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

int CompareVersions(const std::wstring& a, const std::wstring& b) {
    return CompareVersionNumbers(VersionNumbers(a), VersionNumbers(b));
}
