#include "operations/kept_packages.h"

#include "platform/installed_match.h"
#include "platform/package_text.h"

void LabelKeptItems(std::vector<KeptItem>& kept, const std::vector<DriverPackage>& installed,
                    const std::wstring& targetRoot, const OperationCallbacks& callbacks) {
    for (KeptItem& item : kept) {
        if (callbacks.Cancelled && callbacks.Cancelled()) throw OperationCancelled{};
        const DriverPackage* match = FindInstalledMatch(installed, *item.Package, targetRoot);
        item.StoreLabel = match ? PackageDisplayName(*match) : std::wstring();
    }
}

KeptTally ResolveKeptItems(const std::vector<KeptItem>& kept, std::uint32_t& installed, std::uint32_t& errors,
                           const OperationCallbacks& callbacks) {
    KeptTally tally;
    for (const KeptItem& item : kept) {
        std::wstring line;
        if (!item.StoreLabel) {
            line = item.Error + L". Наличие пакета в Driver Store не проверено.";
            ++tally.Unverified;
        } else if (item.StoreLabel->empty()) {
            line = item.Error;
            ++errors;
        } else {
            line = L"Пакет доступен в Driver Store: " + *item.StoreLabel +
                   L". Windows оставила текущий драйвер устройства.";
            ++installed;
            ++tally.Kept;
        }
        if (callbacks.LogLine) callbacks.LogLine(line);
    }
    return tally;
}
