// Texts the tree and the search share: package labels, provider and class
// display names, and the search predicate with its "amd" alias and its
// full-path matching.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/ui/package_view_fixture.h"
#include "ui/package_tree/class_display_name.h"
#include "ui/package_tree/package_labels.h"

namespace {

using test::MakePackage;

bool Matches(const DriverPackage& package, const std::wstring& query) {
    return PackageMatchesSearch(package, L"Display adapters", 1, query);
}

TEST(PackageSearch, MatchesAnyFieldIgnoringCaseAndFindsAmdByItsShortName) {
    DriverPackage radeon = MakePackage(L"oem12.inf", L"u0401234.inf", L"Display", L"Advanced Micro Devices, Inc.",
                                       L"31.0.21912.14");
    DriverPackage realtek = MakePackage(L"oem3.inf", L"rt640x64.inf", L"Net", L"Realtek", L"10.68.815.2023");
    realtek.Provider = L"КОРПОРАЦИЯ РЕАЛТЕК";

    EXPECT_TRUE(Matches(radeon, L""));
    EXPECT_TRUE(Matches(radeon, L"   "));
    EXPECT_TRUE(Matches(radeon, L"  MICRO devices "));
    EXPECT_TRUE(Matches(radeon, L"OEM12"));
    EXPECT_TRUE(Matches(radeon, L"21912"));
    EXPECT_TRUE(Matches(radeon, L"display adapters")) << "the class display name is searched";
    EXPECT_TRUE(Matches(radeon, L"amd"));
    EXPECT_TRUE(Matches(radeon, L"AMD"));
    EXPECT_FALSE(Matches(realtek, L"amd"));
    EXPECT_TRUE(Matches(realtek, L"корпорация")) << "Cyrillic folds to lower case as well";
    EXPECT_TRUE(Matches(realtek, L"10.68.815.2023 rt640x64.inf")) << "the version, then the Driver Store file name";

    DriverPackage shouting = radeon;
    shouting.Provider = L"ADVANCED MICRO DEVICES";
    EXPECT_TRUE(Matches(shouting, L"amd"));
    DriverPackage unrelated = radeon;
    unrelated.Provider = L"Micro Devices Ltd";
    unrelated.OriginalInfName = L"mdev.inf";
    unrelated.PublishedName = L"oem9.inf";
    unrelated.OriginalFileName = L"C:\\Store\\mdev.inf";
    EXPECT_FALSE(Matches(unrelated, L"amd"));
    EXPECT_FALSE(Matches(radeon, L"nvidia"));
}

TEST(PackageSearch, QueriesWithPathSeparatorsMatchFullPaths) {
    const DriverPackage installed = MakePackage(L"oem12.inf", L"nv_dispi.inf", L"Display", L"NVIDIA", L"31.0.15.3623");
    // Only the file name of the Driver Store path is in the plain haystack.
    EXPECT_FALSE(Matches(installed, L"filerepository"));
    EXPECT_TRUE(Matches(installed, L"FileRepository\\NV_DISPI.inf_amd64"));
    EXPECT_TRUE(Matches(installed, L"c:\\windows\\system32"));
    EXPECT_TRUE(Matches(installed, L"c:"));
    EXPECT_FALSE(Matches(installed, L"d:\\drivers"));

    DriverPackage source = MakePackage(L"e1d.inf", L"e1d.inf", L"Net", L"Intel", L"12.19.2.45");
    source.OriginalFileName = L"D:\\Drivers\\Intel\\LAN\\e1d.inf";
    source.InfPath = source.OriginalFileName;
    EXPECT_FALSE(Matches(source, L"intel/lan")) << "a slash is not a backslash in the stored path";
    EXPECT_TRUE(Matches(source, L"drivers\\intel\\lan\\"));
}

TEST(PackageLabels, LabelsAndProviderNames) {
    DriverPackage package = MakePackage(L"oem7.inf", L"iaStorVD.inf", L"SCSIAdapter", L"Intel Corporation", L"19.5.1");
    EXPECT_EQ(PackageLabel(package), L"iaStorVD.inf-19.5.1");
    package.Version.clear();
    EXPECT_EQ(PackageLabel(package), L"iaStorVD.inf");
    package.OriginalInfName.clear();
    package.Version = L"2.0";
    EXPECT_EQ(PackageLabel(package), L"iaStorVD.inf-2.0") << "derived from the Driver Store path";

    EXPECT_EQ(ProviderDisplayName(package, 1), L"Intel Corporation");
    package.Provider = L"ПОСТАВЩИК НЕ УКАЗАН";
    EXPECT_EQ(ProviderDisplayName(package, 1), GetText(1, 79));
    EXPECT_EQ(ProviderDisplayName(package, 0), GetText(0, 79));
    package.Provider.clear();
    EXPECT_EQ(ProviderDisplayName(package, 3), GetText(3, 79));
}

TEST(ClassDisplayNames, RussianNamesFallBackToTheTableGroupsAndClassKey) {
    AppState state;
    state.Language = 1;
    DriverPackage mouse = MakePackage(L"oem1.inf", L"mou.inf", L"Mouse", L"Logitech", L"1.0");
    mouse.ClassGuid = L"4d36e96f-e325-11ce-bfc1-08002be10318";
    DriverPackage net = MakePackage(L"oem2.inf", L"net.inf", L"Net", L"Intel", L"1.0");
    DriverPackage biometric = MakePackage(L"oem3.inf", L"bio.inf", L"Biometric", L"Synaptics", L"1.0");
    DriverPackage classless = MakePackage(L"oem4.inf", L"x.inf", L"", L"Vendor", L"1.0");
    classless.ClassDescription = L"Camera devices";

    EXPECT_EQ(GetClassDisplayName(state, net), L"Network adapters");
    EXPECT_EQ(GetClassDisplayName(state, mouse), L"Mouse");
    EXPECT_EQ(GetClassDisplayName(state, classless), L"Camera devices") << "the description stands in for the name";
    EXPECT_TRUE(state.ClassNameCache.empty()) << "only Russian names are cached";

    state.Language = 0;
    const bool systemNames = ::GetProcAddress(::GetModuleHandleW(L"setupapi.dll"), "SetupDiGetClassPropertyW");
    const std::wstring mouseName = GetClassDisplayName(state, mouse);
    if (!systemNames) {
        // Without the class property function there is no SetupAPI name at all.
        EXPECT_EQ(QuerySetupClassName(mouse.ClassGuid, L"Mouse"), L"");
        EXPECT_EQ(GetClassDisplayName(state, biometric), L"Biometric");
        EXPECT_EQ(mouseName, L"Мыши и иные указывающие устройства");
    }
    EXPECT_EQ(GetClassDisplayName(state, net), GetText(0, 73));
    EXPECT_EQ(state.ClassNameCache.count(L"4D36E96F-E325-11CE-BFC1-08002BE10318|MOUSE"), 1u)
        << "cached under GUID and class key, without regard to case";
}

}  // namespace
