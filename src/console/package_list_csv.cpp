#include "console/package_list_csv.h"

#include <vector>

namespace {

std::wstring Field(const std::wstring& text) {
    std::wstring quoted = L"\"";
    for (const wchar_t c : text) quoted += c == L'"' ? std::wstring(L"\"\"") : std::wstring(1, c);
    return quoted + L"\"";
}

std::wstring Joined(const std::vector<std::wstring>& items) {
    std::wstring text;
    for (std::size_t i = 0; i < items.size(); ++i) text += (i ? L";" : L"") + items[i];
    return text;
}

std::wstring Record(const std::vector<std::wstring>& fields) {
    std::wstring text;
    for (std::size_t i = 0; i < fields.size(); ++i) text += (i ? L"," : L"") + Field(fields[i]);
    return text + L"\r\n";
}

const wchar_t* Boolean(bool value) { return value ? L"true" : L"false"; }

}  // namespace

std::wstring FormatPackageListCsv(const PackageList& list) {
    std::wstring text = Record({L"PublishedName", L"OriginalInfName", L"Provider", L"ClassName", L"ClassDescription",
                                L"ClassGuid", L"Version", L"Date", L"BootCritical", L"SizeBytes",
                                L"DriverStoreFolder", L"HardwareIds", L"HardwareIdsComplete", L"DeviceInstanceIds",
                                L"DevicesRunning", L"Verdict", L"VerdictText", L"Replacement"});
    for (const ListedPackage& entry : list.Packages) {
        const DriverPackage& package = entry.Package;
        std::vector<std::wstring> instanceIds;
        std::vector<std::wstring> running;
        for (const ListedDevice& device : entry.Devices) {
            instanceIds.push_back(device.InstanceId);
            running.push_back(Boolean(device.Running));
        }
        text += Record({package.PublishedName, package.OriginalInfName, package.Provider, package.ClassName,
                        package.ClassDescription, package.ClassGuid, package.Version, package.Date,
                        Boolean(package.BootCritical), std::to_wstring(package.SizeBytes), entry.StoreFolder,
                        Joined(package.HardwareIds), Boolean(package.HardwareIdsComplete), Joined(instanceIds),
                        Joined(running), VerdictCode(entry.Verdict), entry.VerdictText, entry.ReplacementName});
    }
    return text;
}
