#include "platform/windows_version.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "core/string_compare.h"
#include "platform/offline_hive.h"
#include "platform/pe_header.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kStringValueMaxBytes = 512;
constexpr DWORD kMaxControlSet = 999;

// The build number is decimal digits and nothing else. `value` receives the
// leading digits' value even when more text follows; a number beyond 32 bits
// leaves it 0, as does a sign, which no build number carries.
bool ParseBuildNumber(const std::wstring& text, std::uint32_t& value) {
    std::uint64_t number = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= L'0' && text[digits] <= L'9'; ++digits) {
        number = number * 10 + static_cast<std::uint64_t>(text[digits] - L'0');
        if (number > std::numeric_limits<std::uint32_t>::max()) {
            value = 0;
            return false;
        }
    }
    value = static_cast<std::uint32_t>(number);
    return digits != 0 && digits == text.size() && number != 0;
}

bool ReadCurrentVersion(const OfflineKey& software, OfflineWindowsVersion& version) {
    OfflineKey currentVersion;
    if (software.OpenSubkey(L"Microsoft\\Windows NT\\CurrentVersion", currentVersion) != ERROR_SUCCESS) return false;
    DWORD number = 0;
    if (currentVersion.GetDword(L"CurrentMajorVersionNumber", number) != ERROR_SUCCESS) return false;
    version.Major = number;
    if (currentVersion.GetDword(L"CurrentMinorVersionNumber", number) != ERROR_SUCCESS) return false;
    version.Minor = number;
    std::wstring build;
    if (currentVersion.GetString(L"CurrentBuildNumber", RRF_RT_REG_SZ, kStringValueMaxBytes, build) != ERROR_SUCCESS)
        return false;
    return ParseBuildNumber(build, version.Build);
}

std::uint8_t ProductTypeFromName(const std::wstring& name) {
    if (EqualsIgnoreCase(name, L"WinNT")) return VER_NT_WORKSTATION;
    if (EqualsIgnoreCase(name, L"LanmanNT")) return VER_NT_DOMAIN_CONTROLLER;
    if (EqualsIgnoreCase(name, L"ServerNT")) return VER_NT_SERVER;
    return 0;
}

bool ReadProductType(const OfflineKey& system, OfflineWindowsVersion& version) {
    OfflineKey select;
    DWORD current = 0;
    if (system.OpenSubkey(L"Select", select) != ERROR_SUCCESS ||
        select.GetDword(L"Current", current) != ERROR_SUCCESS || current < 1 || current > kMaxControlSet) {
        return false;
    }
    wchar_t path[64];
    std::swprintf(path, std::size(path), L"ControlSet%03lu\\Control\\ProductOptions",
                  static_cast<unsigned long>(current));
    OfflineKey productOptions;
    std::wstring name;
    if (system.OpenSubkey(path, productOptions) != ERROR_SUCCESS ||
        productOptions.GetString(L"ProductType", RRF_RT_REG_SZ, kStringValueMaxBytes, name) != ERROR_SUCCESS) {
        return false;
    }
    version.ProductType = ProductTypeFromName(name);
    return version.ProductType != 0;
}

void ReadKernelArchitecture(const fs::path& kernel, OfflineWindowsVersion& version) {
    std::ifstream file(kernel, std::ios::binary);
    std::uint8_t dosHeader[kDosHeaderBytes];
    std::uint32_t offset = 0;
    if (!file.read(reinterpret_cast<char*>(dosHeader), sizeof(dosHeader)) || !ReadNtHeadersOffset(dosHeader, offset))
        return;
    std::uint8_t ntHeaders[kNtSignatureAndFileHeaderBytes];
    std::uint16_t machine = 0;
    if (!file.seekg(offset) || !file.read(reinterpret_cast<char*>(ntHeaders), sizeof(ntHeaders)) ||
        !ReadImageMachine(ntHeaders, machine)) {
        return;
    }
    switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
        version.Architecture = PROCESSOR_ARCHITECTURE_INTEL;
        break;
    case IMAGE_FILE_MACHINE_AMD64:
        version.Architecture = PROCESSOR_ARCHITECTURE_AMD64;
        break;
    case IMAGE_FILE_MACHINE_ARM64:
        version.Architecture = PROCESSOR_ARCHITECTURE_ARM64;
        break;
    default:
        return;
    }
    version.ArchitectureKnown = true;
}

}  // namespace

OfflineWindowsVersion ReadOfflineWindowsVersion(const std::wstring& root) {
    OfflineWindowsVersion version;
    // An empty root would name folders relative to the current directory.
    if (root.empty()) return version;
    const fs::path system32 = fs::path(root) / L"Windows\\System32";
    // Application hives only: reading a version is no reason to raise privileges.
    OfflineHive software;
    OfflineHive system;
    HiveLoadFailure failure;
    if (!software.Load((system32 / L"Config\\SOFTWARE").wstring(), false, failure) ||
        !system.Load((system32 / L"Config\\SYSTEM").wstring(), false, failure)) {
        return version;
    }
    if (!ReadCurrentVersion(software.Root(), version) || !ReadProductType(system.Root(), version)) return version;
    ReadKernelArchitecture(system32 / L"ntoskrnl.exe", version);
    return version;
}
