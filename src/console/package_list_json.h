#pragma once
#include <string>

#include "console/package_list.h"

// The list as one JSON object (keys in a fixed order, the names the README
// documents), ending with CR LF.
std::wstring FormatPackageListJson(const PackageList& list);
