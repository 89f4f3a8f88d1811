#pragma once
// Percentages in the standard output of the 7-Zip console program. With -bsp1 it
// writes tokens such as "  5%" and overwrites them after backspaces or a carriage
// return; anything else on a line is noise. The bytes come from another program,
// so this code is bounds-checked and portable (it is fuzzed natively).
#include <cstddef>
#include <functional>

inline constexpr std::size_t kSevenZipProgressTokenCapacity = 16;

// One per run.
struct SevenZipProgressParser {
    char Token[kSevenZipProgressTokenCapacity] = {};
    std::size_t TokenLength = 0;
    bool IgnoreUntilLineEnd = false;
    int LargestReported = -1;
};

// Reports each percentage 0..100 that is larger than every one before it. Input
// may be split anywhere: the parser keeps its state between calls.
void ParseSevenZipProgress(SevenZipProgressParser& parser, const char* data, std::size_t size,
                           const std::function<void(int)>& report);

// Between the parser and the caller: 100 is held back as 99, because only a run
// that ended well is complete, and values not above the last forwarded one are dropped.
struct SevenZipProgressFilter {
    int LastForwarded = -1;
};

void ForwardSevenZipProgress(SevenZipProgressFilter& filter, int percent, const std::function<void(int)>& progress);
