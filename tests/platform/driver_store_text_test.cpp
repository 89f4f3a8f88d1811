#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/package_text.h"

namespace {

DriverPackage Named(const wchar_t* originalFile, const wchar_t* published, const wchar_t* infPath = L"") {
    DriverPackage package;
    package.OriginalFileName = originalFile;
    package.PublishedName = published;
    package.InfPath = infPath;
    return package;
}

}  // namespace

TEST(PackageText, OriginalInfName) {
    struct Case {
        DriverPackage Package;
        const wchar_t* Expected;
    };
    const Case cases[] = {
        {Named(L"C:\\Windows\\System32\\DriverStore\\FileRepository\\foo.inf_amd64_1\\foo.INF", L"oem3.inf"),
         L"foo.INF"},
        {Named(L"D:/images/x/Drv.Inf", L"oem3.inf"), L"Drv.Inf"},
        {Named(L"C:\\store\\a.inf.bak", L"oem3.inf"), L"a.inf"},
        {Named(L"C:\\store.inf\\readme.txt", L"oem3.inf"), L"oem3.inf"},
        {Named(L"", L"oem3.inf"), L"oem3.inf"},
        {Named(L"", L"C:\\Windows\\INF\\oem4.inf"), L"oem4.inf"},
        {Named(L"", L"", L"E:\\source\\net\\wifi.inf"), L"wifi.inf"},
        {Named(L"", L""), L"driver.inf"},
    };
    for (const Case& c : cases) EXPECT_EQ(GetOriginalInfName(c.Package), c.Expected) << c.Package.OriginalFileName;
}

TEST(PackageText, FolderAndDisplayNames) {
    DriverPackage package = Named(L"C:\\x\\nvdisp.inf", L"oem12.inf");
    EXPECT_EQ(PackageFolderName(package), L"nvdisp.inf") << "derived name, no version";
    package.Version = L"31.0.15.3623";
    EXPECT_EQ(PackageFolderName(package), L"nvdisp.inf-31.0.15.3623");
    package.OriginalInfName = L"stored.inf";
    EXPECT_EQ(PackageFolderName(package), L"stored.inf-31.0.15.3623") << "the stored name wins";

    struct Case {
        const wchar_t* Original;
        const wchar_t* Published;
        const wchar_t* Expected;
    };
    for (const Case& c : {Case{L"nvdisp.inf", L"oem12.inf", L"nvdisp.inf (oem12.inf)"},
                          Case{L"OEM5.INF", L"oem5.inf", L"OEM5.INF"},
                          Case{L"C:\\src\\wifi.inf", L"C:\\Windows\\INF\\oem1.inf", L"wifi.inf (oem1.inf)"},
                          Case{L"wifi.inf", L"", L"wifi.inf"},
                          Case{L"", L"oem2.inf", L"oem2.inf"},
                          Case{L"", L"", L"\u2014"}}) {
        DriverPackage named;
        named.OriginalInfName = c.Original;
        named.PublishedName = c.Published;
        EXPECT_EQ(PackageDisplayName(named), c.Expected) << c.Original << " / " << c.Published;
    }
}

TEST(PackageText, Sizes) {
    struct Case {
        std::uint64_t Bytes;
        LangId Language;
        const wchar_t* Expected;
    };
    const Case cases[] = {
        {0, 1, L"\u2014"},
        {0, 0, L"\u2014"},
        {1, 1, L"1 B"},
        {512, 1, L"512 B"},
        {1023, 1, L"1023 B"},
        {1023, 0, L"1023 Б"},
        {1024, 1, L"1.00 KB"},
        {1536, 4, L"1.50 KB"},
        {2048, 0, L"2.00 КБ"},
        {1048576, 1, L"1.00 MB"},
        {1048576, 0, L"1.00 МБ"},
        {5767168, 7, L"5.50 MB"},
        {3ull << 30, 1, L"3.00 GB"},
        {3ull << 30, 0, L"3.00 ГБ"},
        {5ull << 40, 2, L"5.00 TB"},
        {1ull << 50, 0, L"1.00 ПБ"},
        {UINT64_MAX, 1, L"16384.00 PB"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatSize(c.Bytes, c.Language), c.Expected) << c.Bytes;

    EXPECT_EQ(FormatSizeMB(0, 1), L"0.00 MB");
    EXPECT_EQ(FormatSizeMB(0, 0), L"0.00 МБ");
    EXPECT_EQ(FormatSizeMB(5242, 3), L"0.00 MB");
    EXPECT_EQ(FormatSizeMB(5243, 3), L"0.01 MB") << "rounded to two decimals";
    EXPECT_EQ(FormatSizeMB(3ull << 30, 1), L"3072.00 MB");
}

TEST(PackageText, SummaryLineKeepsRussianLabelsInEveryLanguage) {
    DriverPackage package;
    package.OriginalInfName = L"nvdisp.inf";
    package.PublishedName = L"oem12.inf";
    package.Version = L"31.0.15.3623";
    package.Date = L"2023-05-17";
    package.SizeBytes = 3 * 1048576 / 2;
    EXPECT_EQ(PackageSummaryLine(package, 1),
              L"nvdisp.inf (oem12.inf); версия 31.0.15.3623; дата 2023-05-17; размер 1.50 MB");
    EXPECT_EQ(PackageSummaryLine(package, 0),
              L"nvdisp.inf (oem12.inf); версия 31.0.15.3623; дата 2023-05-17; размер 1.50 МБ");
    DriverPackage bare;
    EXPECT_EQ(PackageSummaryLine(bare, 5), L"\u2014; версия \u2014; дата \u2014; размер 0.00 MB");
}
