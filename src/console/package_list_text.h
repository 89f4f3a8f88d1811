#pragma once
#include <string>

#include "console/package_list.h"

// One line per package for people: published name, original INF, provider,
// class, version, date, size and the verdict, in columns padded to the widest
// entry; the language sets the size format only.
std::wstring FormatPackageListText(const PackageList& list, LangId language);
