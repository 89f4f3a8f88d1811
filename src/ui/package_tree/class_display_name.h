#pragma once
// The class group text of a package, with SetupAPI's localized class names in
// Russian.
#include <string>

#include "ui/main_window/app_state.h"

std::wstring GetClassDisplayName(AppState& state, const DriverPackage& package);

// The class's localized name from its installer key, or empty; the GUID is
// looked up by class name when the text is not a GUID.
std::wstring QuerySetupClassName(const std::wstring& classGuid, const std::wstring& classKey);
