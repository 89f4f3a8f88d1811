#pragma once
// The two descriptions a backup folder carries: package-info.json beside each
// package and manifest.json at the root. Lines end in CR LF, the last one too;
// every string value is escaped with JsonEscape.
#include <string>
#include <vector>

struct PackageInfo {
    std::wstring PublishedName;
    std::wstring OriginalInfName;
    std::wstring Provider;
    std::wstring Section;  // the package's class description
    std::wstring Version;
    std::wstring Date;
    bool BootCritical = false;
};

struct BackupManifestEntry {
    std::wstring Inf;
    std::wstring Version;
    std::wstring RelativePath;  // "<class folder>\<package folder>"
};

struct BackupManifest {
    std::vector<BackupManifestEntry> Packages;  // exactly the exported packages, in export order
};

std::wstring RenderPackageInfo(const PackageInfo& info);
std::wstring RenderBackupManifest(const BackupManifest& manifest);
