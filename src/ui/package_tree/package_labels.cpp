#include "ui/package_tree/package_labels.h"

#include <windows.h>

#include <iterator>
#include <string_view>

#include "core/string_compare.h"
#include "core/text_trim.h"
#include "platform/package_text.h"

namespace {

constexpr TextId kProviderNotSpecifiedText = 79;

// Lower case as the user's locale has it, so the query and the texts fold alike.
std::wstring LowerForSearch(std::wstring text) {
    if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring SearchHaystack(const DriverPackage& package, const std::wstring& classDisplayName, LangId language) {
    const std::wstring providerName = ProviderDisplayName(package, language);
    const std::wstring originalFile = FileNamePart(package.OriginalFileName);
    const std::wstring infFile = FileNamePart(package.InfPath);
    const std::wstring_view parts[] = {package.ClassDescription, package.ClassName,      classDisplayName,
                                       package.Provider,         providerName,           package.OriginalInfName,
                                       package.PublishedName,    package.Version,        originalFile,
                                       infFile};
    constexpr std::size_t kProviderPart = 3;
    std::size_t length = std::size(parts);
    for (const std::wstring_view part : parts) length += part.size();
    std::wstring haystack;
    haystack.reserve(length + 4);
    std::size_t providerStart = 0;
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        if (i > 0) haystack += L' ';
        if (i == kProviderPart) providerStart = haystack.size();
        haystack += parts[i];
    }
    // One folding for all parts: a search runs this for every package on every keystroke.
    haystack = LowerForSearch(std::move(haystack));
    // People search for the maker's short name, which its provider string never contains.
    const std::wstring_view provider = std::wstring_view(haystack).substr(providerStart, package.Provider.size());
    if (provider.find(L"advanced micro devices") != std::wstring_view::npos) haystack += L" amd";
    return haystack;
}

}  // namespace

std::wstring PackageLabel(const DriverPackage& package) { return PackageFolderName(package); }

std::wstring ProviderDisplayName(const DriverPackage& package, LangId language) {
    if (package.Provider.empty() || EqualsIgnoreCase(package.Provider, kProviderNotSpecified))
        return GetText(language, kProviderNotSpecifiedText);
    return package.Provider;
}

std::wstring SearchNeedle(const std::wstring& query) { return LowerForSearch(TrimWhitespace(query)); }

bool PackageMatchesNeedle(const DriverPackage& package, const std::wstring& classDisplayName, LangId language,
                          const std::wstring& needle) {
    if (needle.empty()) return true;
    if (SearchHaystack(package, classDisplayName, language).find(needle) != std::wstring::npos) return true;
    // A query that looks like part of a path is matched against the full paths.
    if (needle.find_first_of(L"\\/:") == std::wstring::npos) return false;
    return LowerForSearch(package.OriginalFileName + L" " + package.InfPath).find(needle) != std::wstring::npos;
}

bool PackageMatchesSearch(const DriverPackage& package, const std::wstring& classDisplayName, LangId language,
                          const std::wstring& query) {
    return PackageMatchesNeedle(package, classDisplayName, language, SearchNeedle(query));
}
