#include "console/package_list_json.h"

#include <string_view>
#include <utility>

#include "operations/json_text.h"

namespace {

// Everything is appended to one text: a large store's list has over a million
// hardware IDs, and a temporary text per value would cost more than the list.
void AppendQuoted(std::wstring& out, std::wstring_view text) {
    out += L'"';
    AppendJsonEscaped(out, text);
    out += L'"';
}

void AppendBoolean(std::wstring& out, bool value) { out += value ? L"true" : L"false"; }

void AppendStringArray(std::wstring& out, const std::vector<std::wstring>& items) {
    out += L'[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += L", ";
        AppendQuoted(out, items[i]);
    }
    out += L']';
}

void AppendDeviceArray(std::wstring& out, const std::vector<ListedDevice>& devices) {
    out += L'[';
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (i) out += L", ";
        out += L"{\"InstanceId\": ";
        AppendQuoted(out, devices[i].InstanceId);
        out += L", \"Running\": ";
        AppendBoolean(out, devices[i].Running);
        out += L'}';
    }
    out += L']';
}

void AppendPackageObject(std::wstring& out, const ListedPackage& entry) {
    const DriverPackage& package = entry.Package;
    const auto field = [&out](const wchar_t* name) {
        out += L",\r\n      \"";
        out += name;
        out += L"\": ";
    };
    out += L"    {\r\n      \"PublishedName\": ";
    AppendQuoted(out, package.PublishedName);
    const std::pair<const wchar_t*, const std::wstring*> texts[] = {
        {L"OriginalInfName", &package.OriginalInfName}, {L"Provider", &package.Provider},
        {L"ClassName", &package.ClassName},             {L"ClassDescription", &package.ClassDescription},
        {L"ClassGuid", &package.ClassGuid},             {L"Version", &package.Version},
        {L"Date", &package.Date}};
    for (const auto& [name, value] : texts) {
        field(name);
        AppendQuoted(out, *value);
    }
    field(L"BootCritical");
    AppendBoolean(out, package.BootCritical);
    field(L"SizeBytes");
    out += std::to_wstring(package.SizeBytes);
    field(L"DriverStoreFolder");
    AppendQuoted(out, entry.StoreFolder);
    field(L"HardwareIds");
    AppendStringArray(out, package.HardwareIds);
    field(L"HardwareIdsComplete");
    AppendBoolean(out, package.HardwareIdsComplete);
    field(L"Devices");
    AppendDeviceArray(out, entry.Devices);
    field(L"Verdict");
    AppendQuoted(out, VerdictCode(entry.Verdict));
    field(L"VerdictText");
    AppendQuoted(out, entry.VerdictText);
    field(L"Replacement");
    if (entry.ReplacementName.empty()) out += L"null";
    else AppendQuoted(out, entry.ReplacementName);
    out += L"\r\n    }";
}

}  // namespace

std::wstring FormatPackageListJson(const PackageList& list) {
    std::wstring out = L"{\r\n  \"FormatVersion\": " + std::to_wstring(kPackageListFormatVersion) +
                       L",\r\n  \"TargetRoot\": ";
    AppendQuoted(out, list.TargetRoot);
    out += L",\r\n  \"Online\": ";
    AppendBoolean(out, list.Online);
    out += L",\r\n  \"ReadTime\": ";
    AppendQuoted(out, list.ReadTime);
    out += L",\r\n  \"Packages\": [";
    for (std::size_t i = 0; i < list.Packages.size(); ++i) {
        out += i ? L",\r\n" : L"\r\n";
        AppendPackageObject(out, list.Packages[i]);
    }
    out += list.Packages.empty() ? L"]\r\n}\r\n" : L"\r\n  ]\r\n}\r\n";
    return out;
}
