#include <gtest/gtest.h>

#include <string>

#include "platform/driver_package.h"

namespace {

DriverPackage Published(const std::wstring& name, bool inBox = false) {
    DriverPackage package;
    package.PublishedName = name;
    package.InBox = inBox;
    return package;
}

}  // namespace

TEST(DriverPackageText, VersionAndDateForms) {
    EXPECT_EQ(FormatDismVersion(31, 0, 15, 3623), L"31.0.15.3623");
    EXPECT_EQ(FormatDismVersion(0, 0, 0, 0), L"0.0.0.0");
    EXPECT_EQ(FormatDismVersion(4294967295u, 1, 2, 3), L"4294967295.1.2.3");

    SYSTEMTIME date{};
    EXPECT_EQ(FormatDismDate(date), L"") << "year 0 means no date";
    date.wYear = 2021;
    date.wMonth = 3;
    date.wDay = 4;
    EXPECT_EQ(FormatDismDate(date), L"2021-03-04");
    date.wYear = 987;
    date.wMonth = 12;
    date.wDay = 31;
    EXPECT_EQ(FormatDismDate(date), L"0987-12-31");
}

TEST(DriverPackageText, OemPackageShapes) {
    for (const wchar_t* accepted : {L"oem0.inf", L"oem12.inf", L"OEM7.INF", L"Oem123456789.Inf",
                                    L"C:\\Windows\\INF\\oem5.inf", L"D:/x/oem44.inf"}) {
        EXPECT_TRUE(IsOemPackage(Published(accepted))) << accepted;
    }
    for (const wchar_t* rejected : {L"oem.inf", L"oemA.inf", L"oem12.inf.bak", L"driver.inf", L"", L"oem1.in",
                                    L"xoem1.inf", L"oem-1.inf", L"oem 1.inf", L"oem1.inf\\", L"C:\\oem1.inf\\x.inf",
                                    L"oem\u0661.inf"}) {
        EXPECT_FALSE(IsOemPackage(Published(rejected))) << rejected;
    }
    EXPECT_FALSE(IsOemPackage(Published(L"oem3.inf", true))) << "in-box packages are never third-party";
}

TEST(DriverPackageText, CompareVersionsNumerically) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int expected;
    };
    const Case cases[] = {
        {L"1.10", L"1.9", 1},
        {L"1.9", L"1.10", -1},
        {L"2.0", L"2.0.0.0", 0},
        {L"1.2", L"1.2.0.0", 0},
        {L"", L"0.0", 0},
        {L"", L"0.0.0.1", -1},
        {L"2021-03-04", L"2020-12-31", 1},
        {L"2020-12-31", L"2021-03-04", -1},
        {L"31.0.15.3623", L"31.0.15.3623", 0},
        {L"v1,2;3", L"1.2.3", 0},
        {L"001.02", L"1.2", 0},
        {L"1..2", L"1.2", 0},
        {L"1.2a3", L"1.2.3", 0},
        // Runs beyond 64 bits saturate, so they tie with the largest value.
        {L"18446744073709551616", L"18446744073709551615", 0},
        {L"99999999999999999999999.1", L"18446744073709551615.1", 0},
        {L"18446744073709551614", L"18446744073709551615", -1},
        {L"1.18446744073709551616", L"2", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareVersions(c.a, c.b), c.expected) << c.a << L" vs " << c.b;
        EXPECT_EQ(CompareVersions(c.b, c.a), -c.expected) << "antisymmetric: " << c.b << L" vs " << c.a;
    }
}
