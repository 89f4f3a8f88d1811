// Portable: also built natively under the sanitizers (tests/fuzz).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operations/seven_zip_progress.h"

namespace {

std::vector<int> Parse(const std::string& output) {
    std::vector<int> reported;
    SevenZipProgressParser parser;
    ParseSevenZipProgress(parser, output.data(), output.size(), [&](int percent) { reported.push_back(percent); });
    return reported;
}

std::vector<int> Filter(const std::vector<int>& percents) {
    std::vector<int> forwarded;
    SevenZipProgressFilter filter;
    for (int percent : percents) {
        ForwardSevenZipProgress(filter, percent, [&](int value) { forwarded.push_back(value); });
    }
    return forwarded;
}

}  // namespace

TEST(SevenZipProgress, ReadsTheTokensSevenZipRewritesInPlace) {
    EXPECT_EQ(Parse("  5%\b\b\b\b 12% Драйверы\\file.inf\b\b\b\b\b\b"), (std::vector<int>{5, 12}));
    // What the Windows 7-Zip writes to a pipe: carriage returns instead of backspaces.
    EXPECT_EQ(Parse("  0M Scan  \r            \r  0%\r    \r 37% 3 + a.bin\r100%\r"), (std::vector<int>{0, 37, 100}));
    EXPECT_EQ(Parse("\t7%\n"), (std::vector<int>{7}));
    EXPECT_EQ(Parse("007%\r"), (std::vector<int>{7}));
}

TEST(SevenZipProgress, IgnoresWhatIsNotAPercentToken) {
    EXPECT_TRUE(Parse("1234%\r").empty()) << "four digits";
    EXPECT_TRUE(Parse("  5 %\r").empty()) << "a space before the sign";
    EXPECT_TRUE(Parse("%\r   %\r").empty()) << "no digits";
    EXPECT_TRUE(Parse("101%\r999%\r").empty()) << "above 100";
    EXPECT_TRUE(Parse("file 50%\r").empty()) << "text before the number";
    EXPECT_TRUE(Parse("-5%\r").empty());
    // After a token the rest of the line is noise, another token included.
    EXPECT_EQ(Parse("10% 20%\r30%"), (std::vector<int>{10, 30}));
    // Only larger values count.
    EXPECT_EQ(Parse("40%\r30%\r40%\r41%"), (std::vector<int>{40, 41}));
}

TEST(SevenZipProgress, TokenBufferHoldsSixteenBytes) {
    EXPECT_EQ(Parse(std::string(14, ' ') + "42%"), (std::vector<int>{42})) << "16 bytes fit";
    EXPECT_TRUE(Parse(std::string(15, ' ') + "42%").empty()) << "the 17th byte overflows";
    // An overflow spoils only its own line.
    EXPECT_EQ(Parse(std::string(40, ' ') + "9%\r8%"), (std::vector<int>{8}));
}

TEST(SevenZipProgress, ChunkBoundariesDoNotMatter) {
    const std::string output = "  3%\b\b\b\b 12% a\r\n   7%\r 1000%\r 64%\b\b\b\b100%";
    const std::vector<int> whole = Parse(output);
    ASSERT_EQ(whole, (std::vector<int>{3, 12, 64, 100}));
    for (size_t split = 0; split <= output.size(); ++split) {
        std::vector<int> reported;
        SevenZipProgressParser parser;
        const auto report = [&](int percent) { reported.push_back(percent); };
        ParseSevenZipProgress(parser, output.data(), split, report);
        ParseSevenZipProgress(parser, output.data() + split, output.size() - split, report);
        EXPECT_EQ(reported, whole) << "split at " << split;
    }
    SevenZipProgressParser parser;
    ParseSevenZipProgress(parser, "5%", 2, nullptr);  // an empty callback is allowed
    EXPECT_EQ(parser.LargestReported, 5);
}

TEST(SevenZipProgress, FilterHoldsHundredBackAndDropsRepeats) {
    EXPECT_EQ(Filter({0, 5, 5, 3, 99, 100}), (std::vector<int>{0, 5, 99}));
    EXPECT_EQ(Filter({100}), (std::vector<int>{99}));
    EXPECT_EQ(Filter({-1, 0}), (std::vector<int>{0}));
}
