#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <random>
#include <string>
#include <vector>

#include "core/unique_handle.h"
#include "platform/argument_quoting.h"

namespace {

// What CommandLineToArgvW makes of "prog <quoted>".
std::vector<std::wstring> SplitAfterProgram(const std::wstring& quoted) {
    const std::wstring line = L"prog.exe " + quoted;
    int count = 0;
    wchar_t** parts = ::CommandLineToArgvW(line.c_str(), &count);
    LocalMemory owner(parts);
    std::vector<std::wstring> result;
    for (int i = 1; parts && i < count; ++i) result.emplace_back(parts[i]);
    return result;
}

}  // namespace

TEST(ArgumentQuoting, KnownShapes) {
    EXPECT_EQ(QuoteArgument(L"C:\\Temp\\a b\\"), L"\"C:\\Temp\\a b\\\\\"");
    EXPECT_EQ(QuoteArgument(L"C:\\plain"), L"\"C:\\plain\"");
    EXPECT_EQ(QuoteArgument(L""), L"\"\"");
    EXPECT_EQ(QuoteArgument(L"a\"b"), L"\"a\\\"b\"");
    EXPECT_EQ(QuoteArgument(L"a\\\\\"b"), L"\"a\\\\\\\\\\\"b\"");
}

TEST(ArgumentQuoting, RoundTripsThroughTheSystemSplitter) {
    std::vector<std::wstring> samples = {
        L"",          L" ",        L"a b",          L"\"",         L"\"\"",        L"\\",          L"\\\\",
        L"a\\",       L"a\\\\",    L"a\\\"",        L"\\\"\\",     L"C:\\Temp\\a b\\", L"tab\there", L"x\"y z\"",
        L"Ключ \\\"", L"日本語 パス\\", L"ends with quote\"", L"\\\\server\\share\\"};
    std::mt19937 random(20261209);
    const wchar_t alphabet[] = {L'a', L' ', L'\\', L'"', L'\t', L'\u00e9', L'\u4e2d', L'/'};
    for (int i = 0; i < 500; ++i) {
        std::wstring s;
        const int length = static_cast<int>(random() % 12);
        for (int j = 0; j < length; ++j) s += alphabet[random() % (sizeof(alphabet) / sizeof(alphabet[0]))];
        samples.push_back(s);
    }
    for (const std::wstring& sample : samples) {
        const std::vector<std::wstring> split = SplitAfterProgram(QuoteArgument(sample));
        ASSERT_EQ(split.size(), 1u) << "one argument stays one: [" << sample << "]";
        EXPECT_EQ(split[0], sample);
    }
}
