#include <gtest/gtest.h>

#include <windows.h>

#include <setupapi.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/unique_handle.h"
#include "platform/actual_models_section.h"
#include "platform/alt_platform_info.h"
#include "platform/models_section.h"
#include "test_support.h"

namespace {

// An INF whose only [Manufacturer] line is `manufacturerLine`.
class ManufacturerLine {
public:
    explicit ManufacturerLine(const std::string& manufacturerLine) {
        const std::filesystem::path path = folder_.Path() / L"line.inf";
        test::WriteFileBytes(path, "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[Manufacturer]\r\n" +
                                       manufacturerLine + "\r\n\r\n[Strings]\r\nM=\"Maker\"\r\n");
        inf_.reset(::SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
        found_ = inf_ && ::SetupFindFirstLineW(inf_.get(), L"Manufacturer", nullptr, &context_);
    }
    bool Found() const { return found_; }
    PINFCONTEXT Context() { return &context_; }

private:
    test::TempFolder folder_;
    InfFile inf_;
    INFCONTEXT context_{};
    bool found_ = false;
};

AltPlatformInfoV3 Platform(std::uint16_t architecture, std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                           std::uint8_t productType = 1) {
    AltPlatformInfoV3 info{};
    info.cbSize = kAltPlatformInfoV3Size;
    info.Platform = VER_PLATFORM_WIN32_NT;
    info.MajorVersion = major;
    info.MinorVersion = minor;
    info.ProcessorArchitecture = architecture;
    info.ProductType = productType;
    info.BuildNumber = build;
    return info;
}

PSP_ALTPLATFORM_INFO AsSetupApi(AltPlatformInfoV3& info) { return reinterpret_cast<PSP_ALTPLATFORM_INFO>(&info); }

// The section the function names, or "error <code>".
std::wstring Selected(PINFCONTEXT context, AltPlatformInfoV3* platform) {
    wchar_t section[256] = {};
    if (!GetActualModelsSection(context, platform ? AsSetupApi(*platform) : nullptr, section, 256, nullptr, nullptr))
        return L"error " + std::to_wstring(::GetLastError());
    return section;
}

}  // namespace

TEST(ActualModelsSection, BufferContract) {
    ManufacturerLine line("%M% = Mdl, NTx86, NTamd64.10.0...19041");
    ASSERT_TRUE(line.Found());
    AltPlatformInfoV3 platform = Platform(kArchitectureAmd64, 10, 0, 19045);
    const std::wstring expected = L"Mdl.NTamd64.10.0...19041";

    DWORD required = 0;
    ASSERT_TRUE(GetActualModelsSection(line.Context(), AsSetupApi(platform), nullptr, 0, &required, nullptr));
    EXPECT_EQ(required, expected.size() + 1) << "characters including the NUL";

    std::wstring buffer(required, L'#');
    required = 0;
    ::SetLastError(0);
    EXPECT_FALSE(GetActualModelsSection(line.Context(), AsSetupApi(platform), buffer.data(),
                                        static_cast<DWORD>(expected.size()), &required, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(required, expected.size() + 1) << "the needed size is reported with the failure";

    ASSERT_TRUE(GetActualModelsSection(line.Context(), AsSetupApi(platform), buffer.data(),
                                       static_cast<DWORD>(buffer.size()), nullptr, nullptr));
    EXPECT_EQ(std::wstring(buffer.c_str()), expected);
}

TEST(ActualModelsSection, RejectsBadArguments) {
    ManufacturerLine line("%M% = Mdl, NTamd64");
    ASSERT_TRUE(line.Found());
    AltPlatformInfoV3 platform = Platform(kArchitectureAmd64, 10, 0, 19045);
    wchar_t section[64];
    DWORD required = 0;
    int reserved = 0;
    struct Case {
        const char* Name;
        PINFCONTEXT Context;
        PWSTR Buffer;
        DWORD Size;
        PVOID Reserved;
    };
    for (const Case& c : {Case{"null context", nullptr, section, 64, nullptr},
                          Case{"reserved pointer", line.Context(), section, 64, &reserved},
                          Case{"size without buffer", line.Context(), nullptr, 64, nullptr}}) {
        ::SetLastError(0);
        EXPECT_FALSE(GetActualModelsSection(c.Context, AsSetupApi(platform), c.Buffer, c.Size, &required, c.Reserved))
            << c.Name;
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.Name;
    }

    AltPlatformInfoV3 v1 = platform;
    v1.cbSize = 20;
    EXPECT_EQ(Selected(line.Context(), &v1), L"error " + std::to_wstring(ERROR_INVALID_USER_BUFFER));
    AltPlatformInfoV3 windows9x = platform;
    windows9x.Platform = VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_EQ(Selected(line.Context(), &windows9x), L"error " + std::to_wstring(ERROR_INVALID_PARAMETER));
}

TEST(ActualModelsSection, ReadsBothStructureSizes) {
    ManufacturerLine line("%M% = Mdl, NTamd64, NTamd64.10.0...19041, NTx86....0x80, NTamd64.10.0.3");
    ASSERT_TRUE(line.Found());

    AltPlatformInfoV3 server = Platform(kArchitectureAmd64, 10, 0, 19045, 3);
    EXPECT_EQ(Selected(line.Context(), &server), L"Mdl.NTamd64.10.0...19041");
    // The 28-byte form carries no build and no product type; the bytes after it are not read.
    AltPlatformInfoV3 v2 = server;
    v2.cbSize = kAltPlatformInfoV2Size;
    EXPECT_EQ(Selected(line.Context(), &v2), L"Mdl.NTamd64");
    AltPlatformInfoV3 serverWithoutBuild = server;
    serverWithoutBuild.BuildNumber = 0;
    EXPECT_EQ(Selected(line.Context(), &serverWithoutBuild), L"Mdl.NTamd64.10.0.3");

    // The suite mask counts only with its flag.
    AltPlatformInfoV3 dataCenter = Platform(kArchitectureX86, 5, 2, 3790, 3);
    dataCenter.SuiteMask = 0x80;
    EXPECT_EQ(Selected(line.Context(), &dataCenter), L"Mdl");
    dataCenter.Flags = kAltPlatformFlagsSuiteMask;
    EXPECT_EQ(Selected(line.Context(), &dataCenter), L"Mdl.NTx86....0x80");
    AltPlatformInfoV3 v2WithFlag = dataCenter;
    v2WithFlag.cbSize = kAltPlatformInfoV2Size;
    EXPECT_EQ(Selected(line.Context(), &v2WithFlag), L"Mdl") << "a V2 structure has no suite mask";

    AltPlatformInfoV3 arm64 = Platform(kArchitectureArm64, 10, 0, 22631);
    EXPECT_EQ(Selected(line.Context(), &arm64), L"error " + std::to_wstring(ERROR_NO_COMPAT_DRIVERS));
}

TEST(ActualModelsSection, LineShapes) {
    AltPlatformInfoV3 x86 = Platform(kArchitectureX86, 10, 0, 19045);
    {
        ManufacturerLine line("Mdl");
        ASSERT_TRUE(line.Found());
        EXPECT_EQ(Selected(line.Context(), &x86), L"Mdl") << "a line without '=' is its own models section";
    }
    {
        ManufacturerLine line("%M% = Mdl,NTx86.6.0,NTx86.5.1,");
        ASSERT_TRUE(line.Found());
        EXPECT_EQ(Selected(line.Context(), &x86), L"Mdl.NTx86.6.0");
    }
    {
        ManufacturerLine line("%M% = , NTx86");
        ASSERT_TRUE(line.Found());
        EXPECT_EQ(Selected(line.Context(), &x86), L"error " + std::to_wstring(ERROR_INVALID_DATA))
            << "a line without a models-section name is malformed";
    }
}

TEST(ActualModelsSection, NullPlatformMeansTheRunningSystem) {
    ManufacturerLine line("%M% = Mdl, NTx86, NTamd64, NTarm64");
    ASSERT_TRUE(line.Found());
    SYSTEM_INFO system{};
    ::GetNativeSystemInfo(&system);
    const wchar_t* expected = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64 ? L"Mdl.NTarm64"
                              : system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? L"Mdl.NTamd64"
                                                                                              : L"Mdl.NTx86";
    EXPECT_EQ(Selected(line.Context(), nullptr), expected);
}

TEST(ActualModelsSection, SystemFunctionPreferredWhenExported) {
    const HMODULE setupapi = ::GetModuleHandleW(L"setupapi.dll");
    ASSERT_NE(setupapi, nullptr);
    const FARPROC exported = ::GetProcAddress(setupapi, "SetupDiGetActualModelsSectionW");
    const ActualModelsSectionFunction resolved = ResolveActualModelsSection();
    if (exported) {
        EXPECT_EQ(reinterpret_cast<void*>(resolved), reinterpret_cast<void*>(exported));
    } else {
        EXPECT_EQ(resolved, &GetActualModelsSection);
    }
}
