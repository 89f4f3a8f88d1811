#pragma once
// The filter drivers a device setup class attaches to every device of the class.
#include <windows.h>

#include <string>
#include <vector>

// The UpperFilters and then the LowerFilters of the class's installer key;
// nothing for a value that is missing, of another type or too long.
std::vector<std::wstring> ReadClassFilters(const GUID& classGuid);
