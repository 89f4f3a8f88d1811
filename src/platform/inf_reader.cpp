#include "platform/inf_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <string_view>

#include "core/string_compare.h"
#include "core/text_trim.h"
#include "core/unique_handle.h"
#include "platform/actual_models_section.h"
#include "platform/alt_platform_info.h"
#include "platform/hardware_id_order.h"
#include "platform/package_text.h"

namespace {

constexpr DWORD kModelsSectionBufferSize = 1024;

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool IsWideSpace(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; }

std::wstring_view TrimWideSpaceView(std::wstring_view text) {
    while (!text.empty() && IsWideSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsWideSpace(text.back())) text.remove_suffix(1);
    return text;
}

// The trimmed, unquoted ID as NormalizeHardwareId checks it, before upper-casing;
// empty when it is not a usable hardware ID.
std::wstring_view UsableHardwareId(std::wstring_view raw) {
    std::wstring_view id = TrimWideSpaceView(raw);
    if (id.size() > 1 && id.front() == L'"' && id.back() == L'"') id = TrimWideSpaceView(id.substr(1, id.size() - 2));
    if (id.empty() || id.find(L'\\') == std::wstring_view::npos ||
        id.find_first_of(L" \t\r\n") != std::wstring_view::npos)
        return {};
    return id;
}

std::wstring UpperCasedAscii(std::wstring_view id) {
    std::wstring upper(id.size(), L'\0');
    std::transform(id.begin(), id.end(), upper.begin(), UpperAscii);
    return upper;
}

// The text of fields read one after another, in one buffer that keeps its size:
// one SetupGetStringFieldW call for nearly every field.
class FieldReader {
public:
    // The field's text up to its first NUL, valid until the next read; false
    // with the SetupAPI error in GetLastError when it cannot be read.
    [[nodiscard]] bool Read(const INFCONTEXT& line, DWORD field, std::wstring_view& text) {
        INFCONTEXT context = line;
        DWORD required = 0;
        if (!::SetupGetStringFieldW(&context, field, buffer_.data(), static_cast<DWORD>(buffer_.size()), &required)) {
            if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer_.size()) return false;
            buffer_.resize(required);
            if (!::SetupGetStringFieldW(&context, field, buffer_.data(), required, &required)) return false;
        }
        text = std::wstring_view(buffer_.data());
        return true;
    }

private:
    // Hardware IDs and decorations are short: longer fields only grow it.
    std::vector<wchar_t> buffer_ = std::vector<wchar_t>(256);
};

InfFile OpenInf(const std::wstring& path) {
    return InfFile(::SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
}

// One "%u" conversion as swscanf does it: leading white space, an optional plus,
// at least one digit. Values beyond 32 bits saturate (they fail every range check).
bool ScanUnsigned(std::wstring_view& text, std::uint32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
    if (i < text.size() && text[i] == L'+') ++i;
    const std::size_t digitsStart = i;
    std::uint64_t number = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
        number = std::min<std::uint64_t>(number * 10 + static_cast<unsigned>(text[i] - L'0'), UINT32_MAX);
    if (i == digitsStart) return false;
    value = static_cast<std::uint32_t>(number);
    text.remove_prefix(i);
    return true;
}

bool ScanSlash(std::wstring_view& text) {
    if (text.empty() || text.front() != L'/') return false;
    text.remove_prefix(1);
    return true;
}

// A fourth dot followed by something other than a dot: the decoration names a
// suite mask, which a target description cannot match.
bool NamesSuiteMask(std::wstring_view decoration) {
    std::size_t next = 0;
    for (int dots = 0; dots < 4; ++dots) {
        const std::size_t dot = decoration.find(L'.', next);
        if (dot == std::wstring_view::npos) return false;
        next = dot + 1;
    }
    return next < decoration.size() && decoration[next] != L'.';
}

bool LineNamesSuiteMask(const INFCONTEXT& line, FieldReader& fields) {
    INFCONTEXT context = line;
    const DWORD fieldCount = ::SetupGetFieldCount(&context);
    for (DWORD field = 2; field <= fieldCount; ++field) {
        std::wstring_view decoration;
        if (fields.Read(line, field, decoration) && NamesSuiteMask(TrimWideSpaceView(decoration))) return true;
    }
    return false;
}

AltPlatformInfoV3 PlatformInfoFor(const OfflineWindowsVersion& target) {
    AltPlatformInfoV3 info{};
    info.cbSize = kAltPlatformInfoV3Size;
    info.Platform = VER_PLATFORM_WIN32_NT;
    info.MajorVersion = target.Major;
    info.MinorVersion = target.Minor;
    info.BuildNumber = target.Build;
    info.ProcessorArchitecture = static_cast<std::uint16_t>(target.Architecture & 0xFFFF);
    info.ProductType = target.ProductType;
    return info;
}

// Errors that mean the manufacturer offers nothing for the platform.
bool OffersNothing(DWORD error) {
    return error == ERROR_NO_COMPAT_DRIVERS || error == ERROR_SECTION_NOT_FOUND || error == ERROR_LINE_NOT_FOUND;
}

// Adds the hardware IDs of a models section. False when a line is unusable; the
// walk stops there.
bool CollectHardwareIds(HINF inf, const wchar_t* section, FieldReader& fields, std::vector<std::wstring>& ids) {
    INFCONTEXT line{};
    if (!::SetupFindFirstLineW(inf, section, nullptr, &line)) return false;
    do {
        std::wstring_view field;
        if (::SetupGetFieldCount(&line) < 2 || !fields.Read(line, 2, field)) return false;
        const std::wstring_view id = UsableHardwareId(field);
        if (id.empty()) return false;
        ids.push_back(UpperCasedAscii(id));
    } while (::SetupFindNextLine(&line, &line));
    return true;
}

// In the reader's order, each ID once.
void SortUnique(std::vector<std::wstring>& ids) {
    std::sort(ids.begin(), ids.end(),
              [](const std::wstring& a, const std::wstring& b) { return CompareHardwareIds(a, b) < 0; });
    ids.erase(std::unique(ids.begin(), ids.end(),
                          [](const std::wstring& a, const std::wstring& b) { return CompareHardwareIds(a, b) == 0; }),
              ids.end());
}

}  // namespace

bool ReadInfField(const INFCONTEXT& line, DWORD field, std::wstring& text) {
    INFCONTEXT context = line;
    DWORD required = 0;
    if (!::SetupGetStringFieldW(&context, field, nullptr, 0, &required)) return false;
    std::wstring buffer(required, L'\0');
    if (required != 0 && !::SetupGetStringFieldW(&context, field, buffer.data(), required, &required)) return false;
    buffer.resize(std::wcslen(buffer.c_str()));
    text = std::move(buffer);
    return true;
}

std::wstring ReadInfValue(HINF inf, const std::wstring& section, const std::wstring& key, DWORD field) {
    INFCONTEXT line{};
    if (!::SetupFindFirstLineW(inf, section.c_str(), key.c_str(), &line)) return {};
    std::wstring text;
    if (!ReadInfField(line, field, text)) return {};
    return TrimWhitespace(text);
}

std::wstring ResolveInfString(HINF inf, const std::wstring& value) {
    if (value.size() > 2 && value.front() == L'%' && value.back() == L'%') {
        std::wstring text = ReadInfValue(inf, L"Strings", value.substr(1, value.size() - 2), 1);
        if (!text.empty()) return text;
    }
    return value;
}

std::wstring MapClassToGroupText(const std::wstring& className, LangId language) {
    struct ClassGroup {
        std::wstring_view ClassName;
        TextId Text;
    };
    static constexpr std::array<ClassGroup, 8> groups{{{L"system", 72},
                                                      {L"net", 73},
                                                      {L"display", 74},
                                                      {L"media", 75},
                                                      {L"audioendpoint", 75},
                                                      {L"usb", 76},
                                                      {L"scsiadapter", 77},
                                                      {L"hdc", 77}}};
    constexpr TextId kOtherDevicesText = 78;
    constexpr LangId kRussian = 0;

    if (className.empty()) return GetText(language, kOtherDevicesText);
    for (const ClassGroup& group : groups) {
        // A group name stored in Russian maps back to its row, so it can be shown in any language.
        if (EqualsIgnoreCase(className, group.ClassName) || className == GetText(kRussian, group.Text))
            return GetText(language, group.Text);
    }
    return className;
}

std::wstring NormalizeDriverDate(const std::wstring& raw) {
    std::wstring_view text = raw;
    std::uint32_t month = 0, day = 0, year = 0;
    if (!ScanUnsigned(text, month) || !ScanSlash(text) || !ScanUnsigned(text, day) || !ScanSlash(text) ||
        !ScanUnsigned(text, year))
        return raw;
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1601 || year > 9999) return raw;
    wchar_t date[11];
    std::swprintf(date, std::size(date), L"%04u-%02u-%02u", static_cast<unsigned>(year), static_cast<unsigned>(month),
                  static_cast<unsigned>(day));
    return date;
}

std::wstring NormalizeHardwareId(const std::wstring& raw) {
    const std::wstring_view id = UsableHardwareId(raw);
    return id.empty() ? std::wstring() : UpperCasedAscii(id);
}

InfModelIds ReadInfModelIds(const std::wstring& path, const OfflineWindowsVersion* target) {
    if (target && !target->ArchitectureKnown) return {};
    const InfFile inf = OpenInf(path);
    if (!inf) return {};
    return ReadInfModelIds(inf.get(), target);
}

InfModelIds ReadInfModelIds(HINF inf, const OfflineWindowsVersion* target) {
    InfModelIds result;
    if (target && !target->ArchitectureKnown) return result;

    AltPlatformInfoV3 platform{};
    if (target) platform = PlatformInfoFor(*target);
    const AltPlatformInfoV3* platformArgument = target ? &platform : nullptr;

    FieldReader fields;
    INFCONTEXT line{};
    if (::SetupFindFirstLineW(inf, L"Manufacturer", nullptr, &line)) {
        bool incomplete = false;
        do {
            if (target && LineNamesSuiteMask(line, fields)) {
                incomplete = true;
                continue;
            }
            INFCONTEXT context = line;
            wchar_t section[kModelsSectionBufferSize] = {};
            if (!CallActualModelsSection(&context, platformArgument, section, kModelsSectionBufferSize)) {
                if (!OffersNothing(::GetLastError())) incomplete = true;
                continue;
            }
            if (::SetupGetLineCountW(inf, section) <= 0) continue;
            result.HasModels = true;
            if (!CollectHardwareIds(inf, section, fields, result.Ids)) incomplete = true;
        } while (::SetupFindNextLine(&line, &line));
        result.Complete = !incomplete;
    }
    SortUnique(result.Ids);
    return result;
}

DriverPackage ReadInfPackage(const std::wstring& path) {
    DriverPackage package;
    package.InfPath = path;
    package.OriginalFileName = path;
    package.OriginalInfName = FileNamePart(path);
    package.PublishedName = package.OriginalInfName;
    package.ClassDescription = L"Другие устройства";
    package.Provider = kProviderNotSpecified;

    const InfFile inf = OpenInf(path);
    if (!inf) return package;
    const HINF handle = inf.get();
    package.Provider = ResolveInfString(handle, ReadInfValue(handle, L"Version", L"Provider", 1));
    if (package.Provider.empty()) package.Provider = kProviderNotSpecified;
    package.ClassName = ResolveInfString(handle, ReadInfValue(handle, L"Version", L"Class", 1));
    package.ClassDescription = MapClassToGroupText(package.ClassName, 0);
    package.ClassGuid = ReadInfValue(handle, L"Version", L"ClassGuid", 1);
    package.ExtensionId = ReadInfValue(handle, L"Version", L"ExtensionId", 1);
    package.CatalogFile = ReadInfValue(handle, L"Version", L"CatalogFile", 1);
    package.Date = NormalizeDriverDate(ReadInfValue(handle, L"Version", L"DriverVer", 1));
    package.Version = ReadInfValue(handle, L"Version", L"DriverVer", 2);

    // The models are read from the same open INF, for the running platform.
    InfModelIds models = ReadInfModelIds(handle, nullptr);
    package.HardwareIds = std::move(models.Ids);
    package.HardwareIdsComplete = models.Complete;
    package.HasModelsSection = models.HasModels;
    return package;
}
