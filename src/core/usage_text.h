#pragma once
// The console usage text, printed by "help" and shown in the About dialog.
#include <string>

#include "core/localized_text.h"

std::wstring BuildUsageText(LangId language);
