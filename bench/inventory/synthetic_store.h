#pragma once
// Synthetic Driver Stores for the inventory benchmark: N packages whose INFs
// offer 50 to 500 models lines, a tenth of them in families of about ten
// versions of one INF, and one large family of forty.
#include <string>
#include <vector>

#include "fixture_windows.h"

namespace bench {

sim::FixtureWindows SyntheticWindows(std::size_t packageCount);

// The store INF of every package of the description, as the builder places it under `root`.
[[nodiscard]] bool StoreInfPaths(const sim::FixtureWindows& windows, const std::wstring& root,
                                 std::vector<std::wstring>& paths, std::wstring& error);

}  // namespace bench
