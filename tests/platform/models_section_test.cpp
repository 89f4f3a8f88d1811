#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/models_section.h"

namespace {

constexpr std::uint8_t kWorkstation = 1;
constexpr std::uint8_t kServer = 3;

ModelsTarget Target(std::uint16_t architecture, std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                    std::uint8_t productType = kWorkstation, std::optional<std::uint16_t> suiteMask = std::nullopt) {
    ModelsTarget target;
    target.Architecture = architecture;
    target.MajorVersion = major;
    target.MinorVersion = minor;
    target.BuildNumber = build;
    target.ProductType = productType;
    target.SuiteMask = suiteMask;
    return target;
}

struct SelectionCase {
    const wchar_t* Name;
    ModelsTarget Platform;
    std::vector<std::wstring> Decorations;
    std::optional<std::wstring> Expected;  // nothing: the line offers nothing
};

void ExpectSelections(const std::vector<SelectionCase>& cases) {
    for (const SelectionCase& c : cases) {
        const std::optional<std::wstring> section = SelectModelsSection(L"Mdl", c.Decorations, c.Platform);
        EXPECT_EQ(section, c.Expected) << c.Name << L": got " << section.value_or(L"<nothing>");
    }
}

}  // namespace

TEST(ModelsSectionChoice, DocumentedExamples) {
    const ModelsTarget amd64Win10 = Target(kArchitectureAmd64, 10, 0, 19045);
    const ModelsTarget x86Win10 = Target(kArchitectureX86, 10, 0, 19045);
    const ModelsTarget amd64Server = Target(kArchitectureAmd64, 10, 0, 20348, kServer);
    const std::vector<std::wstring> threeVersions{L"NTamd64.6.1", L"NTamd64.10.0", L"NTamd64.10.0...22000"};
    ExpectSelections({
        {L"1 other architecture", amd64Win10, {L"NTx86"}, std::nullopt},
        {L"2 x86 bare fallback", x86Win10, {L"NTamd64"}, L"Mdl"},
        {L"3", amd64Win10, {L"NTx86", L"NTamd64"}, L"Mdl.NTamd64"},
        {L"4", Target(kArchitectureArm64, 10, 0, 22631), {L"NTamd64", L"NTarm64"}, L"Mdl.NTarm64"},
        {L"5 version too new", Target(kArchitectureAmd64, 6, 1, 7601), {L"NTamd64.10.0"}, std::nullopt},
        {L"6", Target(kArchitectureAmd64, 6, 3, 9600), {L"NTamd64.6.1", L"NTamd64.10.0"}, L"Mdl.NTamd64.6.1"},
        {L"7 build filters", amd64Win10, threeVersions, L"Mdl.NTamd64.10.0"},
        {L"8", Target(kArchitectureAmd64, 10, 0, 22631), threeVersions, L"Mdl.NTamd64.10.0...22000"},
        {L"9 equal build", Target(kArchitectureAmd64, 10, 0, 14393), {L"NTamd64.10.0...14393"},
         L"Mdl.NTamd64.10.0...14393"},
        {L"10 older build", Target(kArchitectureAmd64, 10, 0, 10240), {L"NTamd64.10.0...14393"}, std::nullopt},
        {L"11", amd64Server, {L"NTamd64.10.0.1", L"NTamd64.10.0.3"}, L"Mdl.NTamd64.10.0.3"},
        {L"12 product type", amd64Win10, {L"NTamd64.6.1", L"NTamd64.10.0.3"}, L"Mdl.NTamd64.6.1"},
        {L"13 version over product type", amd64Server, {L"NTamd64.6.3.3", L"NTamd64.10.0"}, L"Mdl.NTamd64.10.0"},
        {L"14 more specific", amd64Win10, {L"NTamd64.10.0", L"NTamd64.10.0.1"}, L"Mdl.NTamd64.10.0.1"},
        {L"15", Target(kArchitectureX86, 5, 1, 2600, kWorkstation, 0x80), {L"NT", L"NT.5", L"NT.5.5", L"NT....0x80"},
         L"Mdl.NT.5"},
        {L"16", Target(kArchitectureX86, 5, 2, 3790, kServer, 0x80), {L"NTx86....0x80", L"NTamd64"},
         L"Mdl.NTx86....0x80"},
        {L"17 suite bit missing", Target(kArchitectureX86, 5, 2, 3790, kServer, 0), {L"NTx86....0x80", L"NTamd64"},
         L"Mdl"},
        {L"18", amd64Win10, {}, std::nullopt},
        {L"19", x86Win10, {}, L"Mdl"},
        {L"20 non-x86 needs architecture", amd64Win10, {L"NT.6.0"}, std::nullopt},
        {L"21 text kept", amd64Win10, {L"NTamd64", L"ntAMD64.10.0...19041"}, L"Mdl.ntAMD64.10.0...19041"},
        {L"22 named architecture", x86Win10, {L"NT", L"NTx86"}, L"Mdl.NTx86"},
    });
}

TEST(ModelsSectionChoice, ApplicabilityAndRanking) {
    const ModelsTarget amd64Win10 = Target(kArchitectureAmd64, 10, 0, 19045);
    ExpectSelections({
        {L"blank and empty fields skipped", Target(kArchitectureX86, 6, 1, 7601), {L"NTx86.6.0", L" NTx86.5.1 ", L""},
         L"Mdl.NTx86.6.0"},
        {L"decoration trimmed", amd64Win10, {L"  NTamd64\t"}, L"Mdl.NTamd64"},
        {L"missing minor is 0", amd64Win10, {L"NTamd64.6.3", L"NTamd64.10"}, L"Mdl.NTamd64.10"},
        {L"version beats named architecture", Target(kArchitectureX86, 10, 0, 19045), {L"NTx86", L"NT.10.0"},
         L"Mdl.NT.10.0"},
        {L"first of equals", amd64Win10, {L"NTamd64.10.0", L"NTAMD64.10.0"}, L"Mdl.NTamd64.10.0"},
        {L"higher build wins", Target(kArchitectureAmd64, 10, 0, 22631),
         {L"NTamd64.10.0...22000", L"NTamd64.10.0...19041"}, L"Mdl.NTamd64.10.0...22000"},
        {L"build ignored on a newer version", Target(kArchitectureAmd64, 11, 0, 0), {L"NTamd64.10.0...22000"},
         L"Mdl.NTamd64.10.0...22000"},
        {L"build not given", Target(kArchitectureAmd64, 10, 0, 0), {L"NTamd64", L"NTamd64.10.0...19041"},
         L"Mdl.NTamd64"},
        {L"build field unreadable before 14310", Target(kArchitectureAmd64, 10, 0, 10586),
         {L"NTamd64.6.3", L"NTamd64.10.0...10240"}, L"Mdl.NTamd64.6.3"},
        {L"product type not given", Target(kArchitectureAmd64, 10, 0, 19045, 0), {L"NTamd64.10.0.1", L"NTamd64"},
         L"Mdl.NTamd64"},
        {L"suite mask not given", Target(kArchitectureX86, 5, 2, 3790, kServer), {L"NTx86....0x80", L"NTx86"},
         L"Mdl.NTx86"},
        {L"more suite bits win", Target(kArchitectureX86, 5, 2, 3790, kServer, 0x92),
         {L"NTx86....0x80", L"NTx86....0x90", L"NTx86....0x10"}, L"Mdl.NTx86....0x90"},
        {L"decimal suite mask", Target(kArchitectureX86, 5, 2, 3790, kServer, 0x80), {L"NTx86....128"},
         L"Mdl.NTx86....128"},
        {L"suite bit beyond 16 bits", Target(kArchitectureX86, 5, 2, 3790, kServer, 0xFFFF), {L"NTx86....0x10000"},
         L"Mdl"},
        {L"product type before suite mask", Target(kArchitectureAmd64, 10, 0, 19045, kServer, 0x10),
         {L"NTamd64.10.0..0x10", L"NTamd64.10.0.3"}, L"Mdl.NTamd64.10.0.3"},
        {L"arm is not arm64", Target(kArchitectureArm64, 10, 0, 22631), {L"NTarm"}, std::nullopt},
        {L"arm", Target(kArchitectureArm, 6, 2, 9200), {L"NTarm64", L"NTarm"}, L"Mdl.NTarm"},
        {L"ia64", Target(kArchitectureIa64, 6, 1, 7601), {L"NTia64.6.1", L"NTamd64.6.1"}, L"Mdl.NTia64.6.1"},
        {L"unknown architectures never apply", amd64Win10, {L"NTmips", L"NTamd64x", L"amd64"}, std::nullopt},
        {L"malformed never win", amd64Win10,
         {L"NTamd64.10.x", L"NTamd64.10.0.1.0x10.19041.7", L"NTamd64..0", L"NTamd64.6.3...9600", L"NTamd64.0x",
          L"NTamd64.-10", L"NTamd64. 10", L"NTamd64.4294967296", L"NTamd64"},
         L"Mdl.NTamd64"},
    });
}

TEST(ModelsSectionChoice, DecorationGrammar) {
    {
        const std::optional<ModelsDecoration> d = ParseModelsDecoration(L"NTamd64.10.0...19041");
        ASSERT_TRUE(d);
        EXPECT_EQ(d->Architecture, std::optional<std::uint16_t>(kArchitectureAmd64));
        EXPECT_EQ(d->MajorVersion, std::optional<std::uint32_t>(10));
        EXPECT_EQ(d->MinorVersion, 0u);
        EXPECT_FALSE(d->ProductType);
        EXPECT_FALSE(d->SuiteMask);
        EXPECT_EQ(d->BuildNumber, std::optional<std::uint32_t>(19041));
    }
    {
        const std::optional<ModelsDecoration> d = ParseModelsDecoration(L"nTX86....0X1F0");
        ASSERT_TRUE(d);
        EXPECT_EQ(d->Architecture, std::optional<std::uint16_t>(kArchitectureX86));
        EXPECT_FALSE(d->MajorVersion);
        EXPECT_EQ(d->SuiteMask, std::optional<std::uint32_t>(0x1F0));
    }
    {
        const std::optional<ModelsDecoration> d = ParseModelsDecoration(L"NT.6.1.0x3..");
        ASSERT_TRUE(d) << "empty trailing fields are unspecified";
        EXPECT_FALSE(d->Architecture);
        EXPECT_EQ(d->MinorVersion, 1u);
        EXPECT_EQ(d->ProductType, std::optional<std::uint32_t>(3));
        EXPECT_FALSE(d->BuildNumber);
    }
    for (const wchar_t* malformed :
         {L"", L"N", L"XP", L"NTamd64.10.0.1.0x10.19041.1", L"NTamd64.10.0......", L"NTamd64..1", L"NT....0x80.100",
          L"NTamd64.6.3...9600", L"NTamd64.ten", L"NTamd64.0x", L"NTamd64.0xG", L"NTamd64.+6", L"NTamd64.4294967296",
          L"NTamd64.10.0...0x100000000", L"NTamd64_10", L"NT amd64"}) {
        EXPECT_FALSE(ParseModelsDecoration(malformed)) << malformed;
    }
}
