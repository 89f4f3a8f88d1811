#include "analysis/inf_name_set.h"

#include <cwchar>

bool InfNameLess::operator()(const std::wstring& a, const std::wstring& b) const noexcept {
    return ::_wcsicmp(a.c_str(), b.c_str()) < 0;
}

bool SameInfName(const std::wstring& a, const std::wstring& b) noexcept {
    return ::_wcsicmp(a.c_str(), b.c_str()) == 0;
}
