#include "inf_metadata.h"

#include <setupapi.h>

#include <limits>
#include <vector>

#include "core/unique_handle.h"
#include "sim_text.h"

namespace sim {

namespace {

std::wstring StringField(INFCONTEXT& context, DWORD index) {
    DWORD needed = 0;
    if (!::SetupGetStringFieldW(&context, index, nullptr, 0, &needed) || needed == 0) return {};
    std::wstring text(needed, L'\0');
    if (!::SetupGetStringFieldW(&context, index, text.data(), needed, &needed)) return {};
    text.resize(needed > 0 ? needed - 1 : 0);
    return text;
}

std::wstring VersionValue(HINF inf, const wchar_t* key, DWORD index = 1) {
    INFCONTEXT context{};
    if (!::SetupFindFirstLineW(inf, L"Version", key, &context)) return {};
    return StringField(context, index);
}

std::vector<std::wstring> SectionNames(HINF inf) {
    std::vector<std::wstring> names;
    for (UINT index = 0;; ++index) {
        UINT needed = 0;
        if (!::SetupEnumInfSectionsW(inf, index, nullptr, 0, &needed) || needed == 0) break;
        std::wstring name(needed, L'\0');
        if (!::SetupEnumInfSectionsW(inf, index, name.data(), needed, &needed)) break;
        name.resize(needed - 1);
        names.push_back(std::move(name));
    }
    return names;
}

bool EndsWithIgnoreCase(const std::wstring& text, std::wstring_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsIgnoreCase(std::wstring_view(text).substr(text.size() - suffix.size()), suffix);
}

bool StartsServiceAtBoot(HINF inf, const std::wstring& installSection) {
    INFCONTEXT context{};
    if (!::SetupFindFirstLineW(inf, installSection.c_str(), L"StartType", &context)) return false;
    INT startType = -1;
    return ::SetupGetIntField(&context, 1, &startType) && startType == SERVICE_BOOT_START;
}

bool InstallsBootService(HINF inf) {
    for (const std::wstring& section : SectionNames(inf)) {
        if (!EndsWithIgnoreCase(section, L".Services")) continue;
        INFCONTEXT context{};
        bool found = ::SetupFindFirstLineW(inf, section.c_str(), L"AddService", &context);
        while (found) {
            const std::wstring installSection = StringField(context, 3);
            if (!installSection.empty() && StartsServiceAtBoot(inf, installSection)) return true;
            found = ::SetupFindNextMatchLineW(&context, L"AddService", &context);
        }
    }
    return false;
}

// Reads a run of decimal digits starting at `pos`, saturating; false when there is none.
bool ReadNumber(const std::wstring& text, size_t& pos, unsigned long long& value) {
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
        value = value * 10 + static_cast<unsigned>(text[pos] - L'0');
        if (value > std::numeric_limits<UINT>::max()) value = std::numeric_limits<UINT>::max();
        ++pos;
    }
    return pos > start;
}

void SkipBlanks(const std::wstring& text, size_t& pos) {
    while (pos < text.size() && (text[pos] == L' ' || text[pos] == L'\t')) ++pos;
}

// DriverVer's date field (mm/dd/yyyy); an invalid date leaves `date` zeroed.
void ParseDriverDate(const std::wstring& text, SYSTEMTIME& date) {
    date = {};
    unsigned long long parts[3]{};
    size_t pos = 0;
    SkipBlanks(text, pos);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || (text[pos] != L'/' && text[pos] != L'-')) return;
            ++pos;
        }
        if (!ReadNumber(text, pos, parts[i])) return;
    }
    SkipBlanks(text, pos);
    if (pos != text.size()) return;
    SYSTEMTIME parsed{};
    parsed.wMonth = static_cast<WORD>(parts[0] <= 12 ? parts[0] : 0);
    parsed.wDay = static_cast<WORD>(parts[1] <= 31 ? parts[1] : 0);
    parsed.wYear = static_cast<WORD>(parts[2] <= 30827 ? parts[2] : 0);
    // The round trip rejects impossible dates and fills in the day of the week.
    FILETIME asFileTime{};
    if (parsed.wMonth == 0 || parsed.wDay == 0 || parsed.wYear < 1601 ||
        !::SystemTimeToFileTime(&parsed, &asFileTime) || !::FileTimeToSystemTime(&asFileTime, &parsed)) {
        return;
    }
    date = parsed;
}

// DriverVer's version field (a.b.c.d); missing parts are 0.
void ParseDriverVersion(const std::wstring& text, UINT (&version)[4]) {
    for (UINT& part : version) part = 0;
    size_t pos = 0;
    SkipBlanks(text, pos);
    for (UINT& part : version) {
        unsigned long long value = 0;
        if (!ReadNumber(text, pos, value)) return;
        part = static_cast<UINT>(value);
        if (pos >= text.size() || text[pos] != L'.') return;
        ++pos;
    }
}

}  // namespace

HRESULT ReadInfMetadata(const std::wstring& infPath, InfMetadata& metadata, std::wstring& message) {
    UINT errorLine = 0;
    InfFile inf(::SetupOpenInfFileW(infPath.c_str(), nullptr, INF_STYLE_WIN4, &errorLine));
    if (!inf) {
        DWORD code = ::GetLastError();
        if (code == ERROR_SUCCESS) code = ERROR_INVALID_DATA;
        message = L"Cannot read the INF " + infPath + L" (line " + std::to_wstring(errorLine) + L"): " +
                  SystemErrorText(code);
        return HRESULT_FROM_WIN32(code);
    }
    InfMetadata read;
    read.ClassName = VersionValue(inf.get(), L"Class");
    read.ClassGuid = VersionValue(inf.get(), L"ClassGuid");
    read.Provider = VersionValue(inf.get(), L"Provider");
    read.CatalogFile = VersionValue(inf.get(), L"CatalogFile");
    if (read.CatalogFile.empty()) read.CatalogFile = VersionValue(inf.get(), L"CatalogFile.NTamd64");
    ParseDriverDate(VersionValue(inf.get(), L"DriverVer", 1), read.Date);
    ParseDriverVersion(VersionValue(inf.get(), L"DriverVer", 2), read.Version);
    read.BootCritical = InstallsBootService(inf.get());
    metadata = std::move(read);
    return S_OK;
}

HRESULT InfMetadataCache::Read(const std::wstring& infPath, const std::wstring& contentHash, std::size_t contentSize,
                               InfMetadata& metadata, std::wstring& message) {
    const auto key = std::make_pair(contentHash, contentSize);
    if (const auto known = known_.find(key); known != known_.end()) {
        metadata = known->second;
        return S_OK;
    }
    const HRESULT hr = ReadInfMetadata(infPath, metadata, message);
    if (SUCCEEDED(hr)) known_.emplace(key, metadata);
    return hr;
}

}  // namespace sim
