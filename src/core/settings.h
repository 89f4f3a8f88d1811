#pragma once
// The two per-user settings under HKEY_CURRENT_USER\Software\Marrowfen.
#include <windows.h>

inline constexpr wchar_t kSettingsKey[] = L"Software\\Marrowfen";

struct RemovalOptions {
    bool DisableBootCriticalProtection = true;
    bool AllowNewerUnusedRemoval = true;
    bool WarnAboutRisks = true;
    bool ManualRemoveAllCurrent = false;
    bool ManualRemoveAllOffline = false;
};

RemovalOptions DecodeRemovalOptions(DWORD value);
DWORD EncodeRemovalOptions(const RemovalOptions& options);

// Missing, mistyped or unreadable values give the defaults.
RemovalOptions ReadRemovalOptions();
// True only when a REG_DWORD value exists; the value is not range-checked here.
bool ReadSettingDword(const wchar_t* valueName, DWORD& value);
// Creates the key when absent.
[[nodiscard]] bool WriteSettingDword(const wchar_t* valueName, DWORD value);
