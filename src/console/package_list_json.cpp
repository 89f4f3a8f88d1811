#include "console/package_list_json.h"

#include "operations/json_text.h"

namespace {

std::wstring Quoted(const std::wstring& text) { return L"\"" + JsonEscape(text) + L"\""; }

const wchar_t* Boolean(bool value) { return value ? L"true" : L"false"; }

std::wstring StringArray(const std::vector<std::wstring>& items) {
    std::wstring text = L"[";
    for (std::size_t i = 0; i < items.size(); ++i) text += (i ? L", " : L"") + Quoted(items[i]);
    return text + L"]";
}

std::wstring DeviceArray(const std::vector<ListedDevice>& devices) {
    std::wstring text = L"[";
    for (std::size_t i = 0; i < devices.size(); ++i) {
        text += (i ? L", " : L"") + std::wstring(L"{\"InstanceId\": ") + Quoted(devices[i].InstanceId) +
                L", \"Running\": " + Boolean(devices[i].Running) + L"}";
    }
    return text + L"]";
}

std::wstring PackageObject(const ListedPackage& entry) {
    const DriverPackage& package = entry.Package;
    const std::wstring field = L",\r\n      \"";
    return L"    {\r\n      \"PublishedName\": " + Quoted(package.PublishedName) +
           field + L"OriginalInfName\": " + Quoted(package.OriginalInfName) +
           field + L"Provider\": " + Quoted(package.Provider) +
           field + L"ClassName\": " + Quoted(package.ClassName) +
           field + L"ClassDescription\": " + Quoted(package.ClassDescription) +
           field + L"ClassGuid\": " + Quoted(package.ClassGuid) +
           field + L"Version\": " + Quoted(package.Version) +
           field + L"Date\": " + Quoted(package.Date) +
           field + L"BootCritical\": " + Boolean(package.BootCritical) +
           field + L"SizeBytes\": " + std::to_wstring(package.SizeBytes) +
           field + L"DriverStoreFolder\": " + Quoted(entry.StoreFolder) +
           field + L"HardwareIds\": " + StringArray(package.HardwareIds) +
           field + L"HardwareIdsComplete\": " + Boolean(package.HardwareIdsComplete) +
           field + L"Devices\": " + DeviceArray(entry.Devices) +
           field + L"Verdict\": " + Quoted(VerdictCode(entry.Verdict)) +
           field + L"VerdictText\": " + Quoted(entry.VerdictText) +
           field + L"Replacement\": " + (entry.ReplacementName.empty() ? L"null" : Quoted(entry.ReplacementName)) +
           L"\r\n    }";
}

}  // namespace

std::wstring FormatPackageListJson(const PackageList& list) {
    std::wstring text = L"{\r\n  \"FormatVersion\": " + std::to_wstring(kPackageListFormatVersion) +
                        L",\r\n  \"TargetRoot\": " + Quoted(list.TargetRoot) +
                        L",\r\n  \"Online\": " + Boolean(list.Online) +
                        L",\r\n  \"ReadTime\": " + Quoted(list.ReadTime) + L",\r\n  \"Packages\": [";
    for (std::size_t i = 0; i < list.Packages.size(); ++i)
        text += (i ? L",\r\n" : L"\r\n") + PackageObject(list.Packages[i]);
    return text + (list.Packages.empty() ? L"]\r\n}\r\n" : L"\r\n  ]\r\n}\r\n");
}
