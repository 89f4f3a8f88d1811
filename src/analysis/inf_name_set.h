#pragma once
// INF names as device bindings and the analyses hold them: ordered and matched
// without regard to letter case, the way the C run-time's _wcsicmp compares.
#include <set>
#include <string>

struct InfNameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const noexcept;
};

using InfNameSet = std::set<std::wstring, InfNameLess>;

// Equal under InfNameLess: the same element of an InfNameSet.
bool SameInfName(const std::wstring& a, const std::wstring& b) noexcept;
