#include "ui/package_tree/package_labels.h"

#include <windows.h>

#include <iterator>

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
    const std::wstring parts[] = {package.ClassDescription,
                                  package.ClassName,
                                  classDisplayName,
                                  package.Provider,
                                  ProviderDisplayName(package, language),
                                  package.OriginalInfName,
                                  package.PublishedName,
                                  package.Version,
                                  FileNamePart(package.OriginalFileName),
                                  FileNamePart(package.InfPath)};
    std::wstring haystack = parts[0];
    for (std::size_t i = 1; i < std::size(parts); ++i) haystack += L' ' + parts[i];
    haystack = LowerForSearch(std::move(haystack));
    // People search for the maker's short name, which its provider string never contains.
    if (LowerForSearch(package.Provider).find(L"advanced micro devices") != std::wstring::npos) haystack += L" amd";
    return haystack;
}

}  // namespace

std::wstring PackageLabel(const DriverPackage& package) { return PackageFolderName(package); }

std::wstring ProviderDisplayName(const DriverPackage& package, LangId language) {
    if (package.Provider.empty() || EqualsIgnoreCase(package.Provider, kProviderNotSpecified))
        return GetText(language, kProviderNotSpecifiedText);
    return package.Provider;
}

bool PackageMatchesSearch(const DriverPackage& package, const std::wstring& classDisplayName, LangId language,
                          const std::wstring& query) {
    const std::wstring needle = LowerForSearch(TrimWhitespace(query));
    if (needle.empty()) return true;
    if (SearchHaystack(package, classDisplayName, language).find(needle) != std::wstring::npos) return true;
    // A query that looks like part of a path is matched against the full paths.
    if (needle.find_first_of(L"\\/:") == std::wstring::npos) return false;
    return LowerForSearch(package.OriginalFileName + L" " + package.InfPath).find(needle) != std::wstring::npos;
}
