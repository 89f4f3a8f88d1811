#pragma once
// Installing one INF into the running Windows through DiInstallDriverW of
// newdev.dll, loaded at run time.
#include <windows.h>

#include <string>

enum class InstallOutcome : int {
    Installed = 0,
    Kept = 1,  // ERROR_NO_MORE_ITEMS: Windows kept the device's current driver
    Failed = 2,
};

using DiInstallDriverFunction = BOOL(WINAPI*)(HWND parent, LPCWSTR infPath, DWORD flags, PBOOL needReboot);

// `restartRequired` reports the installer's request whatever the outcome.
InstallOutcome InstallDriverOnline(const std::wstring& infPath, bool& restartRequired, std::wstring& error);

// The call itself, once the function is resolved: no parent window, flags 0.
InstallOutcome CallDiInstallDriver(DiInstallDriverFunction install, const std::wstring& absolutePath,
                                   bool& restartRequired, std::wstring& error);
