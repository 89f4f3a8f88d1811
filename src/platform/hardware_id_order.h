#pragma once
// The order of hardware IDs as the INF reader lists them: code units, with the
// ASCII letters folded to lower case. IDs equal in this order are one ID to the
// reader and to the analysis, whose lower-casing folds at least these letters.
#include <string_view>

// Negative, 0 or positive as `a` sorts before, with or after `b`.
int CompareHardwareIds(std::wstring_view a, std::wstring_view b) noexcept;
