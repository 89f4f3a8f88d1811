#include "operations/backup_manifest.h"

#include "operations/json_text.h"

namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";

std::wstring StringMember(const wchar_t* name, const std::wstring& value) {
    return std::wstring(L"  \"") + name + L"\": \"" + JsonEscape(value) + L"\"," + kLineEnd;
}

}  // namespace

std::wstring RenderPackageInfo(const PackageInfo& info) {
    std::wstring text = std::wstring(L"{") + kLineEnd + L"  \"FormatVersion\": 1," + kLineEnd;
    text += StringMember(L"PublishedName", info.PublishedName);
    text += StringMember(L"OriginalInfName", info.OriginalInfName);
    text += StringMember(L"Provider", info.Provider);
    text += StringMember(L"Section", info.Section);
    text += StringMember(L"Version", info.Version);
    text += StringMember(L"Date", info.Date);
    text += std::wstring(L"  \"BootCritical\": ") + (info.BootCritical ? L"true" : L"false") + kLineEnd;
    text += std::wstring(L"}") + kLineEnd;
    return text;
}

std::wstring RenderBackupManifest(const BackupManifest& manifest) {
    std::wstring text = std::wstring(L"{") + kLineEnd + L"  \"FormatVersion\": 1," + kLineEnd;
    text += L"  \"PackageCount\": " + std::to_wstring(manifest.Packages.size()) + L"," + kLineEnd;
    text += std::wstring(L"  \"Packages\": [") + kLineEnd;
    for (std::size_t i = 0; i < manifest.Packages.size(); ++i) {
        const BackupManifestEntry& entry = manifest.Packages[i];
        text += L"    { \"Inf\": \"" + JsonEscape(entry.Inf) + L"\", \"Version\": \"" + JsonEscape(entry.Version) +
                L"\", \"RelativePath\": \"" + JsonEscape(entry.RelativePath) + L"\" }";
        if (i + 1 < manifest.Packages.size()) text += L",";
        text += kLineEnd;
    }
    text += std::wstring(L"  ]") + kLineEnd + L"}" + kLineEnd;
    return text;
}
