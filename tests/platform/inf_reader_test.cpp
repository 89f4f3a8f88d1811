#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/localized_text.h"
#include "core/unique_handle.h"
#include "platform/actual_models_section.h"
#include "platform/alt_platform_info.h"
#include "platform/inf_reader.h"
#include "test_support.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsSupersetOf;

enum class InfEncoding { Ansi, Utf16 };

// The lines joined with CR LF, as INF files are written.
std::wstring InfText(std::initializer_list<std::wstring> lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    return text;
}

const std::wstring kSignature = L"[Version]\r\nSignature=\"$Windows NT$\"\r\n";

// Writes `text` as an INF file: ASCII bytes, or UTF-16 LE after a byte-order mark.
std::wstring WriteInf(const test::TempFolder& folder, const std::wstring& name, const std::wstring& text,
                      InfEncoding encoding = InfEncoding::Ansi) {
    std::string bytes;
    if (encoding == InfEncoding::Utf16) {
        bytes = "\xFF\xFE";
        for (const wchar_t c : text) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>((c >> 8) & 0xFF);
        }
    } else {
        for (const wchar_t c : text) {
            EXPECT_LT(static_cast<unsigned>(c), 0x80u) << "an ANSI fixture holds ASCII only";
            bytes += static_cast<char>(c);
        }
    }
    const std::filesystem::path path = folder.Path() / name;
    test::WriteFileBytes(path, bytes);
    return path.wstring();
}

OfflineWindowsVersion Offline(std::uint32_t architecture, std::uint32_t major, std::uint32_t minor,
                              std::uint32_t build, std::uint8_t productType = 1) {
    OfflineWindowsVersion version;
    version.Major = major;
    version.Minor = minor;
    version.Build = build;
    version.Architecture = architecture;
    version.ProductType = productType;
    version.ArchitectureKnown = true;
    return version;
}

}  // namespace

TEST(InfReaderText, DriverDates) {
    struct Case {
        const wchar_t* Raw;
        const wchar_t* Expected;
    };
    for (const Case& c : {Case{L"06/21/2006", L"2006-06-21"},
                          Case{L"6/1/2006", L"2006-06-01"},
                          Case{L"13/01/2020", L"13/01/2020"},
                          Case{L"02/31/2020", L"2020-02-31"},
                          Case{L"02/32/2020", L"02/32/2020"},
                          Case{L"01/01/1600", L"01/01/1600"},
                          Case{L"01/01/1601", L"1601-01-01"},
                          Case{L"12/31/9999", L"9999-12-31"},
                          Case{L"01/01/99999999999999999999", L"01/01/99999999999999999999"},
                          Case{L" 01/ 02/ 2003", L"2003-01-02"},
                          Case{L"01 /02/2003", L"01 /02/2003"},
                          Case{L"01/02/2003 extra", L"2003-01-02"},
                          Case{L"-1/02/2003", L"-1/02/2003"},
                          Case{L"2020-01-31", L"2020-01-31"},
                          Case{L"", L""}}) {
        EXPECT_EQ(NormalizeDriverDate(c.Raw), c.Expected) << c.Raw;
    }
}

TEST(InfReaderText, HardwareIds) {
    struct Case {
        const wchar_t* Raw;
        const wchar_t* Expected;
    };
    for (const Case& c : {Case{L"pci\\ven_10de&dev_1c82", L"PCI\\VEN_10DE&DEV_1C82"},
                          Case{L"\"pci\\ven_8086&dev_1234\"", L"PCI\\VEN_8086&DEV_1234"},
                          Case{L"  \" usb\\vid_1&pid_2 \"\t", L"USB\\VID_1&PID_2"},
                          Case{L"\\\\?\\x", L"\\\\?\\X"},
                          Case{L"acpi\\pnp0a08\u00e9", L"ACPI\\PNP0A08\u00e9"},
                          Case{L"pci\\ven_1 dev_2", L""},
                          Case{L"pci\\ven_1\tdev_2", L""},
                          Case{L"ROOT", L""},
                          Case{L"\"\"", L""},
                          Case{L"\"", L""},
                          Case{L"\"pci\\ven_1", L"\"PCI\\VEN_1"},
                          Case{L"   ", L""},
                          Case{L"", L""}}) {
        EXPECT_EQ(NormalizeHardwareId(c.Raw), c.Expected) << c.Raw;
    }
}

TEST(InfReaderText, ClassGroups) {
    struct Row {
        const wchar_t* ClassName;
        TextId Text;
    };
    const Row rows[] = {{L"System", 72}, {L"NET", 73}, {L"display", 74},     {L"Media", 75},
                        {L"AudioEndpoint", 75}, {L"usb", 76}, {L"SCSIAdapter", 77}, {L"HDC", 77}};
    for (LangId language = 0; language < kLanguageCount; ++language) {
        for (const Row& row : rows) {
            const std::wstring expected = GetText(language, row.Text);
            EXPECT_EQ(MapClassToGroupText(row.ClassName, language), expected) << row.ClassName;
            EXPECT_EQ(MapClassToGroupText(GetText(0, row.Text), language), expected) << "stored Russian name";
        }
        EXPECT_EQ(MapClassToGroupText(L"", language), GetText(language, 78));
        EXPECT_EQ(MapClassToGroupText(L"Biometric", language), L"Biometric");
    }
    EXPECT_EQ(MapClassToGroupText(L"Сетевые адаптеры", 1), GetText(1, 73));
    EXPECT_EQ(MapClassToGroupText(L"сетевые адаптеры", 1), L"сетевые адаптеры") << "Russian names match exactly";
    EXPECT_EQ(MapClassToGroupText(GetText(1, 73), 4), GetText(1, 73)) << "only the Russian name maps back";
    EXPECT_EQ(MapClassToGroupText(L"net ", 1), L"net ");
}

TEST(InfReaderPackage, VersionSectionAndModelsInBothEncodings) {
    for (const InfEncoding encoding : {InfEncoding::Ansi, InfEncoding::Utf16}) {
        const bool utf16 = encoding == InfEncoding::Utf16;
        const std::wstring provider = utf16 ? L"Кварц Графикс" : L"Quartz Graphics";
        test::TempFolder folder;
        const std::wstring path = WriteInf(folder, L"QtGfx.inf",
                                           InfText({kSignature,
                                                    L"Class = Display",
                                                    L"ClassGuid={4d36e968-e325-11ce-bfc1-08002be10318}",
                                                    L"Provider=%Prov%",
                                                    L"CatalogFile = qtgfx.cat ",
                                                    L"DriverVer=06/21/2006,10.0.19041.1",
                                                    L"",
                                                    L"[Manufacturer]",
                                                    L"%Mfg%=Gfx,NTx86,NTamd64,NTarm64",
                                                    L"",
                                                    L"[Gfx.NTx86]",
                                                    L"%Dev%=Install, PCI\\VEN_10DE&DEV_0001",
                                                    L"[Gfx.NTamd64]",
                                                    L"%Dev%=Install, \"pci\\ven_8086&dev_1234\"",
                                                    L"%Dev%=Install, pci\\ven_10de&dev_1c82, PCI\\CC_0300",
                                                    L"%Dev%=Install2, PCI\\VEN_10DE&DEV_1C82",
                                                    L"[Gfx.NTarm64]",
                                                    L"%Dev%=Install, \"pci\\ven_8086&dev_1234\"",
                                                    L"%Dev%=Install, pci\\ven_10de&dev_1c82, PCI\\CC_0300",
                                                    L"",
                                                    L"[Strings]",
                                                    L"Prov=\"" + provider + L"\"",
                                                    L"Mfg=\"Quartz\"",
                                                    L"Dev=\"Quartz Adapter\""}),
                                           encoding);
        const DriverPackage package = ReadInfPackage(path);
        SCOPED_TRACE(utf16 ? "UTF-16" : "ANSI");
        EXPECT_EQ(package.PublishedName, L"QtGfx.inf");
        EXPECT_EQ(package.OriginalInfName, L"QtGfx.inf");
        EXPECT_EQ(package.OriginalFileName, path);
        EXPECT_EQ(package.InfPath, path);
        EXPECT_EQ(package.Provider, provider);
        EXPECT_EQ(package.ClassName, L"Display");
        EXPECT_EQ(package.ClassDescription, GetText(0, 74));
        EXPECT_EQ(package.ClassGuid, L"{4d36e968-e325-11ce-bfc1-08002be10318}");
        EXPECT_EQ(package.CatalogFile, L"qtgfx.cat");
        EXPECT_EQ(package.ExtensionId, L"");
        EXPECT_EQ(package.Date, L"2006-06-21");
        EXPECT_EQ(package.Version, L"10.0.19041.1");
        // An x64 program runs on an x64 or ARM64 system; both sections offer the same IDs.
        EXPECT_THAT(package.HardwareIds, ElementsAre(L"PCI\\VEN_10DE&DEV_1C82", L"PCI\\VEN_8086&DEV_1234"));
        EXPECT_TRUE(package.HardwareIdsComplete);
        EXPECT_TRUE(package.HasModelsSection);
    }
}

TEST(InfReaderPackage, DefaultsAndTokens) {
    test::TempFolder folder;
    {
        const DriverPackage package = ReadInfPackage(WriteInf(
            folder, L"a.inf",
            InfText({kSignature, L"Provider=%NoSuchKey%", L"DriverVer=13/01/2020,1.0", L"[Strings]", L"Other=x"})));
        EXPECT_EQ(package.Provider, L"%NoSuchKey%");
        EXPECT_EQ(package.ClassName, L"");
        EXPECT_EQ(package.ClassDescription, L"Другие устройства");
        EXPECT_EQ(package.Date, L"13/01/2020");
        EXPECT_EQ(package.Version, L"1.0");
        EXPECT_TRUE(package.HardwareIds.empty());
        EXPECT_FALSE(package.HardwareIdsComplete) << "no [Manufacturer] section";
        EXPECT_FALSE(package.HasModelsSection);
    }
    {
        const DriverPackage package = ReadInfPackage(
            WriteInf(folder, L"b.inf",
                     InfText({kSignature, L"Class=Biometric", L"ExtensionId = {11111111-2222-3333-4444-555555555555}",
                              L"DriverVer=02/31/2020"})));
        EXPECT_EQ(package.Provider, L"Поставщик не указан");
        EXPECT_EQ(package.ClassDescription, L"Biometric");
        EXPECT_EQ(package.ExtensionId, L"{11111111-2222-3333-4444-555555555555}");
        EXPECT_EQ(package.Date, L"2020-02-31");
        EXPECT_EQ(package.Version, L"");
    }
    {
        const DriverPackage package = ReadInfPackage(
            WriteInf(folder, L"c.inf", InfText({kSignature, L"Provider=\"  \"", L"Class=%Cls%", L"[Strings]",
                                                L"Cls=Net"})));
        EXPECT_EQ(package.Provider, L"Поставщик не указан") << "a blank provider";
        EXPECT_EQ(package.ClassName, L"Net");
        EXPECT_EQ(package.ClassDescription, GetText(0, 73));
    }
}

TEST(InfReaderPackage, UnreadableFileKeepsPathFieldsAndDefaults) {
    test::TempFolder folder;
    const std::wstring missing = (folder.Path() / L"missing.inf").wstring();
    test::WriteFileBytes(folder.Path() / L"junk.inf", std::string("\x00\x01\x02[Version\x7f", 12));
    const std::wstring junk = (folder.Path() / L"junk.inf").wstring();
    for (const std::wstring& path : {missing, junk}) {
        const DriverPackage package = ReadInfPackage(path);
        EXPECT_EQ(package.InfPath, path);
        EXPECT_EQ(package.OriginalFileName, path);
        EXPECT_EQ(package.PublishedName, std::filesystem::path(path).filename().wstring());
        EXPECT_EQ(package.OriginalInfName, package.PublishedName);
        EXPECT_EQ(package.ClassDescription, L"Другие устройства");
        EXPECT_EQ(package.Provider, L"Поставщик не указан");
        EXPECT_TRUE(package.ClassName.empty() && package.Version.empty() && package.Date.empty() &&
                    package.CatalogFile.empty() && package.ClassGuid.empty());
        EXPECT_TRUE(package.HardwareIds.empty());
        EXPECT_FALSE(package.HardwareIdsComplete);
        EXPECT_FALSE(package.HasModelsSection);
    }
}

TEST(InfModelIdsForTargets, DecoratedSectionsPerPlatform) {
    test::TempFolder folder;
    const std::wstring path = WriteInf(folder, L"multi.inf",
                                       InfText({kSignature,
                                                L"[Manufacturer]",
                                                L"%A%=ModelsA,NTx86,NTamd64,NTarm64",
                                                L"%B%=ModelsB,NTamd64.6.3,NTamd64.10.0,NTamd64.10.0...22000",
                                                L"[ModelsA.NTx86]",
                                                L"D=I, PCI\\VEN_A&DEV_X86",
                                                L"[ModelsA.NTamd64]",
                                                L"D=I, PCI\\VEN_A&DEV_AMD64",
                                                L"[ModelsA.NTarm64]",
                                                L"D=I, ACPI\\VEN_A&DEV_ARM64",
                                                L"[ModelsB]",
                                                L"D=I, PCI\\VEN_B&DEV_BARE",
                                                L"[ModelsB.NTamd64.6.3]",
                                                L"D=I, PCI\\VEN_B&DEV_WIN81",
                                                L"[ModelsB.NTamd64.10.0]",
                                                L"D=I, PCI\\VEN_B&DEV_WIN10",
                                                L"[ModelsB.ntamd64.10.0...22000]",
                                                L"D=I, PCI\\VEN_B&DEV_WIN11",
                                                L"[Strings]",
                                                L"A=\"Анкер\"",
                                                L"B=\"Берег\""}),
                                       InfEncoding::Utf16);
    struct Case {
        const char* Name;
        OfflineWindowsVersion Target;
        std::vector<std::wstring> Ids;
    };
    const Case cases[] = {
        {"x86 falls back to the bare section", Offline(0, 10, 0, 19045),
         {L"PCI\\VEN_A&DEV_X86", L"PCI\\VEN_B&DEV_BARE"}},
        {"amd64 8.1", Offline(9, 6, 3, 9600), {L"PCI\\VEN_A&DEV_AMD64", L"PCI\\VEN_B&DEV_WIN81"}},
        {"amd64 10", Offline(9, 10, 0, 19045), {L"PCI\\VEN_A&DEV_AMD64", L"PCI\\VEN_B&DEV_WIN10"}},
        {"amd64 11", Offline(9, 10, 0, 22631), {L"PCI\\VEN_A&DEV_AMD64", L"PCI\\VEN_B&DEV_WIN11"}},
        {"amd64 7: nothing from B", Offline(9, 6, 1, 7601), {L"PCI\\VEN_A&DEV_AMD64"}},
        {"arm64: nothing from B", Offline(12, 10, 0, 22631), {L"ACPI\\VEN_A&DEV_ARM64"}},
        {"architecture beyond 16 bits", Offline(0x10009, 10, 0, 19045),
         {L"PCI\\VEN_A&DEV_AMD64", L"PCI\\VEN_B&DEV_WIN10"}},
    };
    for (const Case& c : cases) {
        const InfModelIds models = ReadInfModelIds(path, &c.Target);
        EXPECT_EQ(models.Ids, c.Ids) << c.Name;
        EXPECT_TRUE(models.Complete) << c.Name << ": a manufacturer without a section for the platform is not a gap";
        EXPECT_TRUE(models.HasModels) << c.Name;
    }
    // One open INF serves every platform in turn, and its [Version] values after.
    const InfFile inf(::SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    ASSERT_TRUE(inf);
    for (const Case& c : cases) EXPECT_EQ(ReadInfModelIds(inf.get(), &c.Target).Ids, c.Ids) << c.Name << ", open INF";
    EXPECT_EQ(ReadInfValue(inf.get(), L"Version", L"Signature", 1), L"$Windows NT$");
}

TEST(InfModelIdsForTargets, LongFieldsAreReadWhole) {
    const std::wstring longId = L"PCI\\VEN_A&DEV_2&" + std::wstring(400, L'X');
    const std::wstring longDecoration = L"NTamd64.10.0." + std::wstring(300, L'1') + L".0x10";
    test::TempFolder folder;
    const std::wstring path = WriteInf(folder, L"long.inf",
                                       InfText({kSignature, L"[Manufacturer]", L"%A%=ModelsA,NTamd64",
                                                L"%B%=ModelsB," + longDecoration + L",NTamd64", L"[ModelsA.NTamd64]",
                                                L"D=I, pci\\ven_a&dev_1", L"D=I, " + longId, L"D=I, PCI\\VEN_A&DEV_3",
                                                L"[ModelsB.NTamd64]", L"D=I, PCI\\VEN_B&DEV_1", L"[Strings]", L"A=a",
                                                L"B=b"}));
    const OfflineWindowsVersion target = Offline(9, 10, 0, 19045);
    const InfModelIds models = ReadInfModelIds(path, &target);
    EXPECT_EQ(models.Ids, (std::vector<std::wstring>{L"PCI\\VEN_A&DEV_1", longId, L"PCI\\VEN_A&DEV_3"}));
    EXPECT_FALSE(models.Complete) << "the long decoration names a suite mask";
}

TEST(InfModelIdsForTargets, SuiteMaskLinesAreSkippedForTargets) {
    test::TempFolder folder;
    const std::wstring path = WriteInf(folder, L"suite.inf",
                                       InfText({kSignature,
                                                L"[Manufacturer]",
                                                L"%A%=ModelsA,NTamd64",
                                                L"%C%=ModelsC, NTamd64.10.0.1.0x10 ,NTamd64",
                                                L"%D%=ModelsD,NTamd64.10.0...22000",
                                                L"[ModelsA.NTamd64]",
                                                L"D=I, PCI\\VEN_A&DEV_1",
                                                L"[ModelsC.NTamd64.10.0.1.0x10]",
                                                L"D=I, PCI\\VEN_C&DEV_1",
                                                L"[ModelsC.NTamd64]",
                                                L"D=I, PCI\\VEN_C&DEV_1",
                                                L"[ModelsD.NTamd64.10.0...22000]",
                                                L"D=I, PCI\\VEN_D&DEV_1",
                                                L"[Strings]",
                                                L"A=a",
                                                L"C=c",
                                                L"D=d"}));
    const OfflineWindowsVersion windows11 = Offline(9, 10, 0, 22631);
    const InfModelIds offline = ReadInfModelIds(path, &windows11);
    EXPECT_EQ(offline.Ids, (std::vector<std::wstring>{L"PCI\\VEN_A&DEV_1", L"PCI\\VEN_D&DEV_1"}));
    EXPECT_FALSE(offline.Complete);
    EXPECT_TRUE(offline.HasModels);

    // The running system knows its suite mask, so the line is judged, not skipped.
    const InfModelIds running = ReadInfModelIds(path, nullptr);
    EXPECT_THAT(running.Ids, IsSupersetOf({L"PCI\\VEN_A&DEV_1", L"PCI\\VEN_C&DEV_1"}));
    EXPECT_TRUE(running.Complete);
}

TEST(InfModelIdsForTargets, UnusableModelsLinesEndTheWalk) {
    const OfflineWindowsVersion target = Offline(9, 10, 0, 19045);
    struct Case {
        const char* Name;
        std::wstring Line;
        bool Usable;
    };
    const Case cases[] = {
        {"usable", L"D=I, \"pci\\ven_a&dev_2\"", true},
        {"blank inside", L"D=I, \"PCI\\VEN_A&DEV_2 REV_01\"", false},
        {"no backslash", L"D=I, VEN_A_DEV_2", false},
        {"install section only", L"D=I", false},
        {"empty hardware ID", L"D=I,,PCI\\VEN_A&DEV_2", false},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        const std::wstring path = WriteInf(folder, L"lines.inf",
                                           InfText({kSignature, L"[Manufacturer]", L"%A%=ModelsA,NTamd64",
                                                    L"[ModelsA.NTamd64]", L"D=I, PCI\\VEN_A&DEV_1", c.Line,
                                                    L"D=I, PCI\\VEN_A&DEV_3", L"[Strings]", L"A=a"}));
        const InfModelIds models = ReadInfModelIds(path, &target);
        const std::vector<std::wstring> expected =
            c.Usable ? std::vector<std::wstring>{L"PCI\\VEN_A&DEV_1", L"PCI\\VEN_A&DEV_2", L"PCI\\VEN_A&DEV_3"}
                     : std::vector<std::wstring>{L"PCI\\VEN_A&DEV_1"};
        EXPECT_EQ(models.Ids, expected) << c.Name;
        EXPECT_EQ(models.Complete, c.Usable) << c.Name;
        EXPECT_TRUE(models.HasModels) << c.Name;
    }
}

TEST(InfModelIdsForTargets, EmptyMissingAndForeignSections) {
    const OfflineWindowsVersion target = Offline(9, 10, 0, 19045);
    struct Case {
        const char* Name;
        std::wstring Body;
        bool Complete;
    };
    const Case cases[] = {
        {"empty section", L"[Manufacturer]\r\n%A%=ModelsA,NTamd64\r\n[ModelsA.NTamd64]\r\n", true},
        {"missing section", L"[Manufacturer]\r\n%A%=ModelsA,NTamd64\r\n", true},
        {"only another platform", L"[Manufacturer]\r\n%A%=ModelsA,NTx86\r\n[ModelsA.NTx86]\r\nD=I,PCI\\X\r\n", true},
        {"empty manufacturer section", L"[Manufacturer]\r\n[ModelsA.NTamd64]\r\nD=I,PCI\\X\r\n", false},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        const std::wstring path =
            WriteInf(folder, L"empty.inf", InfText({kSignature, c.Body, L"[Strings]", L"A=a"}));
        const InfModelIds models = ReadInfModelIds(path, &target);
        EXPECT_TRUE(models.Ids.empty()) << c.Name;
        EXPECT_EQ(models.Complete, c.Complete) << c.Name;
        EXPECT_FALSE(models.HasModels) << c.Name;
    }
}

TEST(InfModelIdsForTargets, DuplicatesMergeInCaseInsensitiveOrder) {
    test::TempFolder folder;
    const std::wstring path = WriteInf(folder, L"dup.inf",
                                       InfText({kSignature, L"[Manufacturer]", L"%A%=ModelsA,NTamd64",
                                                L"%B%=ModelsB,NTamd64", L"[ModelsA.NTamd64]", L"D=I, PCI\\VENA&DEV_1",
                                                L"D=I, pci\\ven_1&dev_2", L"[ModelsB.NTamd64]",
                                                L"D=I, PCI\\VEN_1&DEV_2", L"[Strings]", L"A=a", L"B=b"}));
    const OfflineWindowsVersion target = Offline(9, 10, 0, 19045);
    const InfModelIds models = ReadInfModelIds(path, &target);
    // Folded to lower case, '_' sorts before letters.
    EXPECT_THAT(models.Ids, ElementsAre(L"PCI\\VEN_1&DEV_2", L"PCI\\VENA&DEV_1"));
    EXPECT_TRUE(models.Complete);
}

TEST(InfModelIdsForTargets, UnknownArchitectureReadsNothing) {
    test::TempFolder folder;
    const std::wstring path =
        WriteInf(folder, L"x.inf", InfText({kSignature, L"[Manufacturer]", L"%A%=ModelsA", L"[ModelsA]",
                                            L"D=I, PCI\\VEN_1&DEV_2", L"[Strings]", L"A=a"}));
    OfflineWindowsVersion unknown = Offline(0, 10, 0, 19045);
    unknown.ArchitectureKnown = false;
    const InfModelIds models = ReadInfModelIds(path, &unknown);
    EXPECT_TRUE(models.Ids.empty());
    EXPECT_FALSE(models.Complete);
    EXPECT_FALSE(models.HasModels);

    // The same file read for a known x86 target offers its bare section.
    const OfflineWindowsVersion x86 = Offline(0, 10, 0, 19045);
    EXPECT_THAT(ReadInfModelIds(path, &x86).Ids, ElementsAre(L"PCI\\VEN_1&DEV_2"));
}

namespace {

std::atomic<int> refusedStructures{0};

// Stands in for SetupAPI of Windows 7 and 8.1, which takes the 28-byte V2 only.
BOOL WINAPI V2OnlyModelsSection(PINFCONTEXT context, PSP_ALTPLATFORM_INFO platform, PWSTR section, DWORD size,
                                PDWORD required, PVOID reserved) {
    if (platform && platform->cbSize != kAltPlatformInfoV2Size) {
        ++refusedStructures;
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    return GetActualModelsSection(context, platform, section, size, required, reserved);
}

class ScopedModelsSection {
public:
    explicit ScopedModelsSection(ActualModelsSectionFunction function)
        : previous_(ReplaceActualModelsSection(function)) {}
    ScopedModelsSection(const ScopedModelsSection&) = delete;
    ScopedModelsSection& operator=(const ScopedModelsSection&) = delete;
    ~ScopedModelsSection() { ReplaceActualModelsSection(previous_); }

private:
    ActualModelsSectionFunction previous_;
};

}  // namespace

TEST(InfModelIdsForTargets, SetupApiTakingOnlyTheV2StructureIsAskedAgainWithIt) {
    test::TempFolder folder;
    const std::wstring path = WriteInf(
        folder, L"old.inf",
        InfText({kSignature, L"[Manufacturer]", L"%A%=ModelsA,NTx86,NTamd64",
                 L"%B%=ModelsB,NTamd64.6.3,NTamd64.10.0...22000", L"[ModelsA.NTx86]", L"D=I, PCI\\VEN_A&DEV_X86",
                 L"[ModelsA.NTamd64]", L"D=I, PCI\\VEN_A&DEV_AMD64", L"[ModelsB.NTamd64.6.3]",
                 L"D=I, PCI\\VEN_B&DEV_WIN81", L"[ModelsB.NTamd64.10.0...22000]", L"D=I, PCI\\VEN_B&DEV_WIN11",
                 L"[Strings]", L"A=a", L"B=b"}));
    const ScopedModelsSection olderSetupApi(&V2OnlyModelsSection);
    refusedStructures = 0;
    struct Case {
        const char* Name;
        OfflineWindowsVersion Target;
        std::vector<std::wstring> Ids;
    };
    const Case cases[] = {
        {"amd64 8.1", Offline(9, 6, 3, 9600), {L"PCI\\VEN_A&DEV_AMD64", L"PCI\\VEN_B&DEV_WIN81"}},
        {"x86 7", Offline(0, 6, 1, 7601), {L"PCI\\VEN_A&DEV_X86"}},
        // V2 carries no build, so no build-decorated section applies.
        {"amd64 11", Offline(9, 10, 0, 22631), {L"PCI\\VEN_A&DEV_AMD64", L"PCI\\VEN_B&DEV_WIN81"}},
    };
    for (const Case& c : cases) {
        const InfModelIds models = ReadInfModelIds(path, &c.Target);
        EXPECT_EQ(models.Ids, c.Ids) << c.Name;
        EXPECT_TRUE(models.Complete) << c.Name;
    }
    EXPECT_EQ(refusedStructures.load(), 1) << "the refusal is remembered for the run";
}
