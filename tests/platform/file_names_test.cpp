#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>
#include <set>
#include <string>

#include "core/text_trim.h"
#include "platform/file_names.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

bool IsSuffixOf(const std::wstring& name, const std::wstring& base) {
    if (name.size() != base.size() + 7 || name.compare(0, base.size(), base) != 0 || name[base.size()] != L'-')
        return false;
    for (wchar_t c : name.substr(base.size() + 1)) {
        if (!std::iswxdigit(c) || std::iswupper(c)) return false;
    }
    return true;
}

}  // namespace

TEST(FileNames, SanitizeKeepsNamesWindowsAccepts) {
    EXPECT_EQ(SanitizeFileName(L"Audio: inputs/outputs", 64), L"Audio_ inputs_outputs");
    EXPECT_EQ(SanitizeFileName(L"a<b>c:d\"e/f\\g|h?i*j", 64), L"a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(SanitizeFileName(std::wstring(L"tab\there\x01\x1F end"), 64), L"tab_here__ end");
    EXPECT_EQ(SanitizeFileName(L"Сетевые адаптеры", 64), L"Сетевые адаптеры");

    for (const wchar_t* empty : {L"", L"...", L"   ", L". . ."}) {
        EXPECT_EQ(SanitizeFileName(empty, 64), L"Без имени") << "[" << empty << "]";
    }
    EXPECT_EQ(SanitizeFileName(L"driver. ", 64), L"driver");
    EXPECT_EQ(SanitizeFileName(L" lead", 64), L" lead") << "only trailing spaces go";

    const std::wstring longName(200, L'x');
    EXPECT_EQ(SanitizeFileName(longName, 112), std::wstring(112, L'x'));
    // Blanks and dots the cut exposes go as well: Windows would drop them from the folder it creates.
    const std::wstring classText = std::wstring(63, L'c') + L" controllers";
    EXPECT_EQ(SanitizeFileName(classText, 64), std::wstring(63, L'c')) << "the limit right after a blank";
    EXPECT_EQ(SanitizeFileName(L"ab. .defg", 5), L"ab");
    EXPECT_EQ(SanitizeFileName(L".. .x", 3), L"Без имени");
}

TEST(FileNames, TimestampsArePaddedAndSortable) {
    SYSTEMTIME time{};
    time.wYear = 2024;
    time.wMonth = 2;
    time.wDay = 2;
    time.wHour = 9;
    time.wMinute = 5;
    time.wSecond = 3;
    EXPECT_EQ(FormatTimestamp(time), L"2024-02-02_09-05-03");
    time = SYSTEMTIME{};
    time.wYear = 2024;
    time.wMonth = 11;
    time.wDay = 5;
    time.wHour = 14;
    time.wMinute = 7;
    time.wSecond = 9;
    EXPECT_EQ(FormatTimestamp(time), L"2024-11-05_14-07-09");

    SYSTEMTIME before{};
    ::GetLocalTime(&before);
    const std::wstring now = LocalTimestamp();
    SYSTEMTIME after{};
    ::GetLocalTime(&after);
    EXPECT_TRUE(now == FormatTimestamp(before) || now == FormatTimestamp(after) ||
                (now > FormatTimestamp(before) && now < FormatTimestamp(after)))
        << now;
}

TEST(FileNames, UniqueSuffixIsSixLowerCaseHexDigits) {
    const std::wstring first = UniqueNameSuffix();
    const std::wstring second = UniqueNameSuffix();
    EXPECT_TRUE(IsSuffixOf(L"x-" + first, L"x")) << first;
    EXPECT_TRUE(IsSuffixOf(L"x-" + second, L"x")) << second;
    EXPECT_NE(first, second);
}

TEST(FileNames, UniqueFolderUnderCollisions) {
    test::TempFolder temp;
    const std::wstring base = L"DriverBackup_2024-01-01_00-00-00";
    std::error_code error;

    const fs::path first = CreateUniqueFolder(temp.Path(), base, error);
    EXPECT_FALSE(error);
    EXPECT_EQ(first, temp.Path() / base);
    EXPECT_TRUE(fs::is_directory(first));

    std::set<fs::path> created{first};
    for (int i = 0; i < 5; ++i) {
        const fs::path next = CreateUniqueFolder(temp.Path(), base, error);
        EXPECT_FALSE(error) << error.message();
        EXPECT_EQ(next.parent_path(), temp.Path());
        EXPECT_TRUE(IsSuffixOf(next.filename().wstring(), base)) << next;
        EXPECT_TRUE(fs::is_directory(next));
        EXPECT_TRUE(created.insert(next).second) << "returned an existing folder " << next;
    }

    // A file of that name is just as taken as a folder.
    test::WriteFileBytes(temp.Path() / L"nvdisp.inf-31.0.15.3623", "x");
    const fs::path besideFile = CreateUniqueFolder(temp.Path(), L"nvdisp.inf-31.0.15.3623", error);
    EXPECT_FALSE(error);
    EXPECT_TRUE(IsSuffixOf(besideFile.filename().wstring(), L"nvdisp.inf-31.0.15.3623")) << besideFile;
    EXPECT_TRUE(fs::is_directory(besideFile));
}

TEST(FileNames, UniqueFolderNeedsItsParent) {
    test::TempFolder temp;
    std::error_code error;
    const fs::path missingParent = temp.Path() / L"missing";
    const fs::path folder = CreateUniqueFolder(missingParent, L"DriverBackup", error);
    EXPECT_TRUE(folder.empty());
    EXPECT_EQ(error, std::error_code(ERROR_PATH_NOT_FOUND, std::system_category()));
    EXPECT_FALSE(fs::exists(missingParent));
}

TEST(TextTrim, RemovesOnlyOuterSpacesTabsAndLineBreaks) {
    EXPECT_EQ(TrimWhitespace(L" \t\r\nPCI\\VEN_8086 & DEV_1234\r\n\t "), L"PCI\\VEN_8086 & DEV_1234");
    EXPECT_EQ(TrimWhitespace(L" \t\r\n \n"), L"");
    EXPECT_EQ(TrimWhitespace(L""), L"");
    EXPECT_EQ(TrimWhitespace(L"x"), L"x");
    EXPECT_EQ(TrimWhitespace(L"\vx\f"), L"\vx\f") << "vertical tab and form feed are not in the set";
}
