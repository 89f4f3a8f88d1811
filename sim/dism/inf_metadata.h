#pragma once
// What the driver list reports about a package, read from its INF through the
// platform's SetupAPI INF functions (which expand %strings% themselves).
#include <windows.h>

#include <cstddef>
#include <map>
#include <string>
#include <utility>

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

// Metadata of INF contents already read, by content. Every listing reads the
// bytes of every INF to match published INFs with store copies; a content that
// was read through SetupAPI before is not parsed again (the platform's DISM
// answers from its store database without opening INFs at all).
class InfMetadataCache {
public:
    // ReadInfMetadata of `infPath`, whose bytes hash to `contentHash` (StoreFolderHash)
    // and number `contentSize`.
    [[nodiscard]] HRESULT Read(const std::wstring& infPath, const std::wstring& contentHash, std::size_t contentSize,
                               InfMetadata& metadata, std::wstring& message);
    void Clear() { known_.clear(); }

private:
    std::map<std::pair<std::wstring, std::size_t>, InfMetadata> known_;
};

}  // namespace sim
