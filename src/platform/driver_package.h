#pragma once
// The one record of a third-party driver package, and how DISM's list becomes records.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dism_api.h"

class DismSession;

// What a record holds as its provider when DISM and the INF name none; the
// interface shows its own text for it.
inline constexpr wchar_t kProviderNotSpecified[] = L"Поставщик не указан";

struct DriverPackage {
    std::wstring PublishedName;
    std::wstring OriginalFileName;
    std::wstring OriginalInfName;
    std::wstring CatalogFile;
    std::wstring ClassDescription;
    std::wstring ClassName;
    std::wstring ClassGuid;
    std::wstring ExtensionId;
    std::wstring Provider;
    std::wstring Version;
    std::wstring Date;
    std::wstring InfPath;
    std::vector<std::wstring> HardwareIds;
    bool HardwareIdsComplete = false;
    bool HasModelsSection = false;
    std::wstring ReasonText;
    std::uint64_t SizeBytes = 0;
    bool InBox = false;
    bool BootCritical = false;
    bool Checked = false;
};

// Lists the out-of-box packages of an open session in DISM's order. On failure
// `out` keeps its contents and `error` says why.
[[nodiscard]] bool ReadDismDriverPackages(const DismSession& session, dism::Session handle,
                                          std::vector<DriverPackage>& out, std::wstring& error);

std::wstring FormatDismVersion(unsigned major, unsigned minor, unsigned build, unsigned revision);
std::wstring FormatDismDate(const SYSTEMTIME& date);

// Published as oem<digits>.inf and not in-box.
bool IsOemPackage(const DriverPackage& package);

// Numeric comparison of version or date texts: -1, 0 or 1.
int CompareVersions(const std::wstring& a, const std::wstring& b);

// What CompareVersions compares of a text: its maximal runs of ASCII digits,
// each saturating at 2^64-1. Read once, a text can be compared many times.
std::vector<std::uint64_t> VersionNumbers(const std::wstring& text);
// CompareVersions of two texts read by VersionNumbers: number by number, a
// missing number counting as 0.
int CompareVersionNumbers(const std::vector<std::uint64_t>& a, const std::vector<std::uint64_t>& b);
