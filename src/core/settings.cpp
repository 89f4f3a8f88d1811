#include "core/settings.h"

#include "core/unique_handle.h"

RemovalOptions DecodeRemovalOptions(DWORD value) {
    RemovalOptions options;
    options.DisableBootCriticalProtection = (value & 0x01) != 0;
    options.AllowNewerUnusedRemoval = (value & 0x02) != 0;
    // Bit 3 marks that bit 2 was written; older values without it mean "warn".
    options.WarnAboutRisks = (value & 0x0C) != 0x08;
    options.ManualRemoveAllCurrent = (value & 0x10) != 0;
    options.ManualRemoveAllOffline = (value & 0x20) != 0;
    return options;
}

DWORD EncodeRemovalOptions(const RemovalOptions& options) {
    return (options.DisableBootCriticalProtection ? 0x01u : 0u) | (options.AllowNewerUnusedRemoval ? 0x02u : 0u) |
           (options.WarnAboutRisks ? 0x04u : 0u) | 0x08u | (options.ManualRemoveAllCurrent ? 0x10u : 0u) |
           (options.ManualRemoveAllOffline ? 0x20u : 0u);
}

bool ReadSettingDword(const wchar_t* valueName, DWORD& value) {
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, valueName, RRF_RT_REG_DWORD, nullptr, &data, &size) !=
        ERROR_SUCCESS)
        return false;
    value = data;
    return true;
}

RemovalOptions ReadRemovalOptions() {
    DWORD value = 0;
    return ReadSettingDword(L"DriverRemovalOptions", value) ? DecodeRemovalOptions(value) : RemovalOptions{};
}

bool WriteSettingDword(const wchar_t* valueName, DWORD value) {
    RegKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(key.get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof(value)) == ERROR_SUCCESS;
}
