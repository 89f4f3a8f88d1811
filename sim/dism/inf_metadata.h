#pragma once
// What the driver list reports about a package, read from its INF through the
// platform's SetupAPI INF functions (which expand %strings% themselves).
#include <windows.h>

#include <string>

namespace sim {

struct InfMetadata {
    std::wstring ClassName;
    std::wstring ClassGuid;
    std::wstring Provider;
    std::wstring CatalogFile;
    SYSTEMTIME Date{};  // all zero when DriverVer has no valid date
    UINT Version[4]{};  // missing parts are 0
    // Installs a service whose install section starts it at boot (StartType 0).
    bool BootCritical = false;
};

[[nodiscard]] HRESULT ReadInfMetadata(const std::wstring& infPath, InfMetadata& metadata, std::wstring& message);

}  // namespace sim
