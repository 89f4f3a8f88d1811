#pragma once
// What a console run adds to Quillbay.log, without the time stamps.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "console_run.h"
#include "core/event_log.h"
#include "test_support.h"

namespace test {

class LogTail {
public:
    LogTail() : path_(TempFilePath(L"Quillbay.log")) {
        std::error_code ec;
        start_ = std::filesystem::file_size(path_, ec);
        if (ec) start_ = 0;
    }

    // Every line written since construction, each checked for its "[hh:mm:ss] " stamp.
    std::vector<std::string> Lines() const {
        const std::string bytes = ReadFileBytes(path_);
        std::vector<std::string> lines = CrLfLines(bytes.size() > start_ ? bytes.substr(start_) : std::string());
        EXPECT_EQ(lines.back(), "") << "the log ends with CR LF";
        lines.pop_back();
        for (std::string& line : lines) {
            EXPECT_TRUE(line.size() > 11 && line[0] == '[' && line[3] == ':' && line[6] == ':' && line[9] == ']' &&
                        line[10] == ' ')
                << line;
            line.erase(0, 11);
        }
        return lines;
    }

private:
    std::filesystem::path path_;
    std::uintmax_t start_ = 0;
};

// Two decimals and " MB", as the English console writes sizes.
inline std::string Megabytes(std::uint64_t bytes) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f MB", static_cast<double>(bytes) / 1048576.0);
    return text;
}

}  // namespace test
