#include "operations/oem_uninstall.h"

#include <windows.h>

#include <setupapi.h>

#include "analysis/system_error_text.h"
#include "platform/package_text.h"

bool UninstallOemPackage(const DriverPackage& package, bool forced, std::wstring& error) {
    const std::wstring name = FileNamePart(package.PublishedName);
    if (name.empty()) {
        error = L"Не задано опубликованное имя OEM INF.";
        return false;
    }
    if (::SetupUninstallOEMInfW(name.c_str(), forced ? SUOI_FORCEDELETE : 0, nullptr)) return true;
    const DWORD code = ::GetLastError();
    error = L"SetupUninstallOEMInf(" + name + L"): " + FormatSystemError(code);
    return false;
}

bool RemoveOfflinePackage(DismSession& dism, dism::Session session, const DriverPackage& package,
                          std::wstring& error) {
    const HRESULT hr = dism.Api().DismRemoveDriver(session, package.PublishedName.c_str());
    if (SUCCEEDED(hr)) return true;
    error = L"DismRemoveDriver(" + package.PublishedName + L"): " + dism.DescribeDismError(hr);
    return false;
}
