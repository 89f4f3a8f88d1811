#include "platform/package_text.h"

#include <array>
#include <charconv>

#include "core/string_compare.h"

namespace {

constexpr LangId kRussian = 0;
constexpr wchar_t kUnknown[] = L"\u2014";

// Fixed notation, "." as the decimal point whatever the locale.
std::wstring FormatFixed(double value, int decimals) {
    std::array<char, 64> buffer{};
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return L"?";
    return std::wstring(buffer.data(), end);
}

const wchar_t* SizeUnit(std::size_t index, LangId language) {
    static constexpr std::array<const wchar_t*, 6> russian{L" Б", L" КБ", L" МБ", L" ГБ", L" ТБ", L" ПБ"};
    static constexpr std::array<const wchar_t*, 6> other{L" B", L" KB", L" MB", L" GB", L" TB", L" PB"};
    return language == kRussian ? russian[index] : other[index];
}

wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

}  // namespace

std::wstring FileNamePart(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring GetOriginalInfName(const DriverPackage& package) {
    const std::wstring original = FileNamePart(package.OriginalFileName);
    std::wstring lower = original;
    for (wchar_t& c : lower) c = LowerAscii(c);
    const std::size_t extension = lower.find(L".inf");
    if (extension != std::wstring::npos) return original.substr(0, extension + 4);
    if (std::wstring published = FileNamePart(package.PublishedName); !published.empty()) return published;
    if (std::wstring infFile = FileNamePart(package.InfPath); !infFile.empty()) return infFile;
    return L"driver.inf";
}

std::wstring PackageFolderName(const DriverPackage& package) {
    const std::wstring base = package.OriginalInfName.empty() ? GetOriginalInfName(package) : package.OriginalInfName;
    return package.Version.empty() ? base : base + L"-" + package.Version;
}

std::wstring PackageDisplayName(const DriverPackage& package) {
    const std::wstring original = FileNamePart(package.OriginalInfName);
    const std::wstring published = FileNamePart(package.PublishedName);
    if (original.empty()) return published.empty() ? kUnknown : published;
    if (!published.empty() && !EqualsIgnoreCase(original, published)) return original + L" (" + published + L")";
    return original;
}

std::wstring PackageSummaryLine(const DriverPackage& package, LangId language) {
    return PackageDisplayName(package) + L"; версия " + (package.Version.empty() ? kUnknown : package.Version) +
           L"; дата " + (package.Date.empty() ? kUnknown : package.Date) + L"; размер " +
           FormatSizeMB(package.SizeBytes, language);
}

std::wstring FormatSizeMB(std::uint64_t bytes, LangId language) {
    return FormatFixed(static_cast<double>(bytes) / 1048576.0, 2) + SizeUnit(2, language);
}

std::wstring FormatSize(std::uint64_t bytes, LangId language) {
    if (bytes == 0) return kUnknown;
    std::size_t index = 0;
    double value = static_cast<double>(bytes);
    while (value >= 1024.0 && index < 5) {
        value /= 1024.0;
        ++index;
    }
    if (index == 2) return FormatSizeMB(bytes, language);
    return FormatFixed(value, index == 0 ? 0 : 2) + SizeUnit(index, language);
}
