#include "platform/windows_version.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string_view>
#include <vector>

#include "core/string_compare.h"
#include "platform/offline_hive.h"
#include "platform/pe_header.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kStringValueMaxBytes = 512;
constexpr DWORD kMaxControlSet = 999;

// The value of the leading decimal digits and how many there are; a number
// beyond 32 bits gives 0 and false, as does a sign, which no version part carries.
bool LeadingNumber(std::wstring_view text, std::uint32_t& value, std::size_t& digits) {
    std::uint64_t number = 0;
    for (digits = 0; digits < text.size() && text[digits] >= L'0' && text[digits] <= L'9'; ++digits) {
        number = number * 10 + static_cast<std::uint64_t>(text[digits] - L'0');
        if (number > std::numeric_limits<std::uint32_t>::max()) {
            value = 0;
            return false;
        }
    }
    value = static_cast<std::uint32_t>(number);
    return true;
}

// The build number is decimal digits and nothing else. `value` receives the
// leading digits' value even when more text follows.
bool ParseBuildNumber(const std::wstring& text, std::uint32_t& value) {
    std::size_t digits = 0;
    return LeadingNumber(text, value, digits) && digits != 0 && digits == text.size() && value != 0;
}

bool ParseVersionPart(std::wstring_view text, std::uint32_t& value) {
    std::size_t digits = 0;
    return LeadingNumber(text, value, digits) && digits != 0 && digits == text.size();
}

// Windows 7 and 8.x have no CurrentMajorVersionNumber; their version is the text
// CurrentVersion ("6.1", "6.2", "6.3"), which later releases keep at "6.3".
bool ReadVersionText(const OfflineKey& currentVersion, OfflineWindowsVersion& version) {
    std::wstring text;
    if (currentVersion.GetString(L"CurrentVersion", RRF_RT_REG_SZ, kStringValueMaxBytes, text) != ERROR_SUCCESS)
        return false;
    const std::wstring_view view = text;
    const std::size_t dot = view.find(L'.');
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    if (dot == std::wstring_view::npos || !ParseVersionPart(view.substr(0, dot), major) || major == 0 ||
        !ParseVersionPart(view.substr(dot + 1), minor)) {
        return false;
    }
    version.Major = major;
    version.Minor = minor;
    return true;
}

// Major and minor version and build; what cannot be read is added to `unread`.
void ReadCurrentVersion(const OfflineKey& software, OfflineWindowsVersion& version,
                        std::vector<std::wstring>& unread) {
    OfflineKey currentVersion;
    if (software.OpenSubkey(L"Microsoft\\Windows NT\\CurrentVersion", currentVersion) != ERROR_SUCCESS) {
        unread.emplace_back(L"Microsoft\\Windows NT\\CurrentVersion");
        return;
    }
    DWORD number = 0;
    const LSTATUS major = currentVersion.GetDword(L"CurrentMajorVersionNumber", number);
    if (major == ERROR_SUCCESS) {
        version.Major = number;
        if (currentVersion.GetDword(L"CurrentMinorVersionNumber", number) == ERROR_SUCCESS) {
            version.Minor = number;
        } else {
            unread.emplace_back(L"CurrentMinorVersionNumber");
        }
    } else if (major != ERROR_FILE_NOT_FOUND) {
        // A damaged number on a release that has it: its CurrentVersion text says 6.3 whatever it is.
        unread.emplace_back(L"CurrentMajorVersionNumber");
    } else if (!ReadVersionText(currentVersion, version)) {
        unread.emplace_back(L"CurrentVersion");
    }
    std::wstring build;
    if (currentVersion.GetString(L"CurrentBuildNumber", RRF_RT_REG_SZ, kStringValueMaxBytes, build) != ERROR_SUCCESS ||
        !ParseBuildNumber(build, version.Build)) {
        unread.emplace_back(L"CurrentBuildNumber");
    }
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

bool ReadKernelArchitecture(const fs::path& kernel, OfflineWindowsVersion& version) {
    std::ifstream file(kernel, std::ios::binary);
    std::uint8_t dosHeader[kDosHeaderBytes];
    std::uint32_t offset = 0;
    if (!file.read(reinterpret_cast<char*>(dosHeader), sizeof(dosHeader)) || !ReadNtHeadersOffset(dosHeader, offset))
        return false;
    std::uint8_t ntHeaders[kNtSignatureAndFileHeaderBytes];
    std::uint16_t machine = 0;
    if (!file.seekg(offset) || !file.read(reinterpret_cast<char*>(ntHeaders), sizeof(ntHeaders)) ||
        !ReadImageMachine(ntHeaders, machine)) {
        return false;
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
        return false;
    }
    version.ArchitectureKnown = true;
    return true;
}

}  // namespace

OfflineWindowsVersion ReadOfflineWindowsVersion(const std::wstring& root, std::wstring& unreadLine) {
    OfflineWindowsVersion version;
    std::vector<std::wstring> unread;
    // An empty root would name folders relative to the current directory.
    if (root.empty()) {
        unread = {L"SOFTWARE", L"SYSTEM", L"ntoskrnl.exe"};
    } else {
        // Each piece on its own: a missing value says nothing about the others.
        const fs::path system32 = fs::path(root) / L"Windows\\System32";
        // Application hives only: reading a version is no reason to raise privileges.
        HiveLoadFailure failure;
        OfflineHive software;
        if (software.Load((system32 / L"Config\\SOFTWARE").wstring(), false, failure)) {
            ReadCurrentVersion(software.Root(), version, unread);
        } else {
            unread.emplace_back(L"SOFTWARE");
        }
        OfflineHive system;
        if (!system.Load((system32 / L"Config\\SYSTEM").wstring(), false, failure)) {
            unread.emplace_back(L"SYSTEM");
        } else if (!ReadProductType(system.Root(), version)) {
            unread.emplace_back(L"ProductType");
        }
        if (!ReadKernelArchitecture(system32 / L"ntoskrnl.exe", version)) unread.emplace_back(L"ntoskrnl.exe");
    }
    unreadLine.clear();
    for (const std::wstring& piece : unread) unreadLine += (unreadLine.empty() ? L"" : L", ") + piece;
    if (!unreadLine.empty())
        unreadLine = L"Windows в " + root + L" прочитана не полностью, не удалось прочитать: " + unreadLine;
    return version;
}
