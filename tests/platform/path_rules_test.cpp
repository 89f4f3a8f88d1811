#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/path_rules.h"
#include "test_support.h"

namespace fs = std::filesystem;

TEST(PathRules, NormalizePathGivesOneKeyPerFolder) {
    EXPECT_EQ(NormalizePath(L"C:\\Temp\\..\\Drivers\\"), L"C:\\Drivers");
    EXPECT_EQ(NormalizePath(L"C:/Temp/./Drivers//x/"), L"C:\\Temp\\Drivers\\x");
    EXPECT_EQ(NormalizePath(L"c:\\Windows\\INF"), L"c:\\Windows\\INF") << "letter case is kept";
    EXPECT_EQ(NormalizePath(L"C:\\"), L"C:\\");
    EXPECT_EQ(NormalizePath(L"C:\\.."), L"C:\\");
    EXPECT_EQ(NormalizePath(L""), L"");
    EXPECT_EQ(NormalizePath(L"\\\\srv\\share\\a\\..\\b\\"), L"\\\\srv\\share\\b") << "a UNC root stays a UNC root";
    EXPECT_EQ(NormalizePath(L"\\\\srv\\share"), L"\\\\srv\\share");

    test::TempFolder temp;
    const fs::path previous = fs::current_path();
    fs::current_path(temp.Path());
    const std::wstring relative = NormalizePath(L"sub\\..\\pkg\\");
    fs::current_path(previous);
    EXPECT_EQ(relative, NormalizePath(temp.Path() / L"pkg"));
    EXPECT_EQ(relative.back(), L'g');
}

TEST(PathRules, InsideMeansSameOrBelow) {
    struct Case {
        const wchar_t* Path;
        const wchar_t* Base;
        bool Inside;
    };
    const Case cases[] = {
        {L"C:\\a", L"C:\\a", true},
        {L"C:\\a\\b", L"C:\\a", true},
        {L"C:\\a\\b\\c.inf", L"C:\\a", true},
        {L"c:\\A\\B", L"C:\\a", true},
        {L"C:/a/b", L"C:\\a", true},
        {L"C:\\a\\b\\", L"C:\\a\\", true},
        {L"C:\\a", L"C:\\a\\", true},
        {L"C:\\a\\", L"C:\\a", true},
        {L"C:\\a\\x\\..\\b", L"C:\\a", true},
        {L"C:\\Windows\\System32\\DriverStore\\FileRepository\\x", L"c:\\windows", true},
        {L"C:\\ab", L"C:\\a", false},
        {L"C:\\a b", L"C:\\a", false},
        {L"C:\\a", L"C:\\a\\b", false},
        {L"C:\\", L"C:\\a", false},
        {L"C:\\a\\..\\b", L"C:\\a", false},
        {L"C:\\a\\..\\ab", L"C:\\a", false},
        {L"D:\\a", L"C:\\a", false},
        {L"D:\\a\\b", L"C:\\", false},
        {L"C:\\a\\b", L"C:\\", true},
        {L"", L"C:\\a", false},
        {L"C:\\a", L"", false},
        {L"a\\b", L"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsPathInside(c.Path, c.Base), c.Inside) << "[" << c.Path << "] in [" << c.Base << "]";
    }
}
