#pragma once
#include <string>

#include "console/package_list.h"

// The list as RFC 4180 CSV: a header row of the README's field names, then one
// row per package; every field is quoted, lists are joined with ';' in one field,
// records end with CR LF.
std::wstring FormatPackageListCsv(const PackageList& list);
