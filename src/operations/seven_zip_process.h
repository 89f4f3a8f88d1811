#pragma once
// Running the 7-Zip console program as a hidden child: its standard output feeds
// the progress, its standard error is kept for the error text.
#include <functional>
#include <string>
#include <vector>

// Runs `executable` with each argument quoted, in `workingDirectory` (empty: ours),
// until it ends; it is never cut short. `progress` (may be empty) receives -1 once
// the child has started, rising percentages 0..99 while it runs, and 100 when it
// ended with exit code 0. On failure `error` holds a complete Russian text; a
// non-zero exit code comes with the tail of 7-Zip's error output.
[[nodiscard]] bool Run7Zip(const std::wstring& executable, const std::vector<std::wstring>& arguments,
                           const std::wstring& workingDirectory, std::wstring& error,
                           const std::function<void(int)>& progress);
