#pragma once
// Texts the tree, the details pane and the search share: a package's label,
// its provider's display name, and the search predicate.
#include <string>

#include "core/localized_text.h"
#include "platform/driver_package.h"

// Original INF name (or the one derived from the Driver Store path), then
// "-" and the version when there is one. Also the packages' sort key.
std::wstring PackageLabel(const DriverPackage& package);

// The provider, or text 79 when it is empty or the "not specified" marker.
std::wstring ProviderDisplayName(const DriverPackage& package, LangId language);

// `classDisplayName` is the package's class group text (GetClassDisplayName).
bool PackageMatchesSearch(const DriverPackage& package, const std::wstring& classDisplayName, LangId language,
                          const std::wstring& query);

// The query as PackageMatchesNeedle takes it: trimmed and in lower case, made
// once for a search over many packages.
std::wstring SearchNeedle(const std::wstring& query);
bool PackageMatchesNeedle(const DriverPackage& package, const std::wstring& classDisplayName, LangId language,
                          const std::wstring& needle);
