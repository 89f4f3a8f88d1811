#include "analysis/offline_bindings.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <iterator>

#include "analysis/system_error_text.h"
#include "platform/offline_hive.h"
#include "platform/package_text.h"

namespace {

constexpr DWORD kMaxControlSet = 999;
constexpr DWORD kMaxInfPathBytes = 0x10000;

// ERROR_SUCCESS with the driver key's INF name added, ERROR_FILE_NOT_FOUND when it
// names none, another code when its InfPath cannot be believed.
LSTATUS AddDriverKeyInf(const OfflineKey& driverKey, InfNameSet& usedInfs) {
    std::wstring path;
    const LSTATUS status =
        driverKey.GetString(L"InfPath", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, kMaxInfPathBytes, path);
    if (status == ERROR_FILE_NOT_FOUND) return status;
    // Another type or an empty path is damage, not a key without a driver.
    if (status == ERROR_UNSUPPORTED_TYPE || (status == ERROR_SUCCESS && path.empty())) return ERROR_INVALID_DATA;
    if (status != ERROR_SUCCESS) return status;
    if (std::wstring name = FileNamePart(path); !name.empty()) usedInfs.insert(std::move(name));
    return ERROR_SUCCESS;
}

// Calls visit(subkey) for every subkey; the first failure ends the walk with its code.
template <typename Visit>
LSTATUS ForEachSubkey(const OfflineKey& parent, Visit visit) {
    std::wstring name;
    for (DWORD index = 0;; ++index) {
        LSTATUS status = parent.EnumSubkey(index, name);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        OfflineKey subkey;
        status = parent.OpenSubkey(name, subkey);
        if (status == ERROR_SUCCESS) status = visit(subkey);
        if (status != ERROR_SUCCESS) return status;
    }
}

std::wstring LoadFailureText(const HiveLoadFailure& failure) {
    switch (failure.Step) {
    case HiveLoadStep::Privileges:
        return L"Не удалось получить права чтения офлайн SYSTEM-hive. RegLoadAppKey: " +
               FormatSystemError(failure.AppKeyCode);
    case HiveLoadStep::OpenSystemKey:
        return L"Не удалось открыть временно загруженный SYSTEM-hive: " + FormatSystemError(failure.Code);
    case HiveLoadStep::AppKey:
    case HiveLoadStep::SystemLoad:
    case HiveLoadStep::ReadFile:
    case HiveLoadStep::Parse:
        break;
    }
    std::wstring text = L"Не удалось загрузить офлайн SYSTEM-hive: " + FormatSystemError(failure.Code);
    // Where the platform took the file but could not use it, its own answer was success.
    if (failure.AppKeyCode != ERROR_SUCCESS) {
        text += L" (RegLoadAppKey: " + FormatSystemError(failure.AppKeyCode) + L")";
    }
    return text;
}

}  // namespace

bool ReadClassInfPaths(const OfflineKey& hiveRoot, InfNameSet& usedInfs, std::wstring& error) {
    usedInfs.clear();
    error.clear();
    OfflineKey select;
    if (const LSTATUS status = hiveRoot.OpenSubkey(L"Select", select); status != ERROR_SUCCESS) {
        error = L"Не удалось открыть SYSTEM\\Select: " + FormatSystemError(status);
        return false;
    }
    DWORD current = 0;
    if (select.GetDword(L"Current", current) != ERROR_SUCCESS || current < 1 || current > kMaxControlSet) {
        error = L"В SYSTEM-hive отсутствует корректный Select\\Current.";
        return false;
    }
    wchar_t classPath[128];
    std::swprintf(classPath, std::size(classPath), L"ControlSet%03lu\\Control\\Class",
                  static_cast<unsigned long>(current));
    OfflineKey classes;
    if (const LSTATUS status = hiveRoot.OpenSubkey(classPath, classes); status != ERROR_SUCCESS) {
        error = std::wstring(L"Не удалось открыть ") + classPath + L": " + FormatSystemError(status);
        return false;
    }

    const LSTATUS status = ForEachSubkey(classes, [&](const OfflineKey& classKey) {
        return ForEachSubkey(classKey, [&](const OfflineKey& driverKey) {
            const LSTATUS added = AddDriverKeyInf(driverKey, usedInfs);
            return added == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : added;
        });
    });
    if (status != ERROR_SUCCESS) {
        usedInfs.clear();
        error = L"Неполные данные привязок SYSTEM-hive: " + FormatSystemError(status);
        return false;
    }
    if (usedInfs.empty()) {
        error = L"В SYSTEM-hive не найдено ни одной привязки InfPath; очистка отменена для безопасности.";
        return false;
    }
    return true;
}

bool ReadOfflineBindings(const std::wstring& targetRoot, InfNameSet& usedInfs, std::wstring& error) {
    usedInfs.clear();
    error.clear();
    const std::wstring path =
        (std::filesystem::path(targetRoot) / L"Windows" / L"System32" / L"Config" / L"SYSTEM").wstring();
    OfflineHive hive;
    HiveLoadFailure failure;
    bool result = false;
    if (hive.Load(path, /*allowSystemLoad=*/true, failure)) {
        // Without the logs a device bound lately would look absent.
        if (hive.ClosedCleanly()) {
            result = ReadClassInfPaths(hive.Root(), usedInfs, error);
        } else {
            error = L"SYSTEM-hive не был закрыт корректно (hive not closed cleanly): его последние изменения "
                    L"остались в SYSTEM.LOG1/SYSTEM.LOG2, привязки устройств не проверены.";
        }
    } else {
        error = LoadFailureText(failure);
    }
    // A key loaded under HKEY_LOCAL_MACHINE must not outlive the walk.
    if (const LSTATUS status = hive.Unload(); status != ERROR_SUCCESS) {
        usedInfs.clear();
        error += std::wstring(error.empty() ? L"" : L" ") + L"Временный SYSTEM-hive не выгружен: " +
                 FormatSystemError(status);
        result = false;
    }
    return result;
}
