#include "platform/actual_models_section.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/alt_platform_info.h"
#include "platform/inf_reader.h"
#include "platform/models_section.h"

// Our structure must extend the system's V2 exactly, and our architecture numbers
// must be the system's.
static_assert(sizeof(SP_ALTPLATFORM_INFO_V2) == kAltPlatformInfoV2Size);
static_assert(offsetof(SP_ALTPLATFORM_INFO_V2, Platform) == offsetof(AltPlatformInfoV3, Platform));
static_assert(offsetof(SP_ALTPLATFORM_INFO_V2, MajorVersion) == offsetof(AltPlatformInfoV3, MajorVersion));
static_assert(offsetof(SP_ALTPLATFORM_INFO_V2, MinorVersion) == offsetof(AltPlatformInfoV3, MinorVersion));
static_assert(offsetof(SP_ALTPLATFORM_INFO_V2, ProcessorArchitecture) ==
              offsetof(AltPlatformInfoV3, ProcessorArchitecture));
static_assert(offsetof(SP_ALTPLATFORM_INFO_V2, Flags) == offsetof(AltPlatformInfoV3, Flags));
static_assert(offsetof(SP_ALTPLATFORM_INFO_V2, FirstValidatedMinorVersion) ==
              offsetof(AltPlatformInfoV3, FirstValidatedMinorVersion));
static_assert(kArchitectureX86 == PROCESSOR_ARCHITECTURE_INTEL);
static_assert(kArchitectureArm == PROCESSOR_ARCHITECTURE_ARM);
static_assert(kArchitectureIa64 == PROCESSOR_ARCHITECTURE_IA64);
static_assert(kArchitectureAmd64 == PROCESSOR_ARCHITECTURE_AMD64);
static_assert(kArchitectureArm64 == PROCESSOR_ARCHITECTURE_ARM64);

namespace {

// The function CallActualModelsSection uses, and whether it takes only the V2 structure.
std::atomic<ActualModelsSectionFunction> replacement{nullptr};
std::atomic<bool> v2Only{false};

bool RefusesStructure(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_USER_BUFFER;
}

// The 28-byte form of a description: it has no room for product type, suite mask or build.
AltPlatformInfoV3 AsV2(const AltPlatformInfoV3& platform) {
    AltPlatformInfoV3 v2 = platform;
    v2.cbSize = kAltPlatformInfoV2Size;
    v2.Flags = static_cast<std::uint16_t>(v2.Flags & ~kAltPlatformFlagsSuiteMask);
    v2.ProductType = 0;
    v2.SuiteMask = 0;
    v2.BuildNumber = 0;
    return v2;
}

// ntdll's export; user-mode SDK headers do not declare it. Unlike GetVersionExW it
// reports the real version whatever the manifest says.
using RtlGetVersionFunction = LONG(WINAPI*)(PRTL_OSVERSIONINFOEXW);

BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

ModelsTarget RunningPlatform() {
    ModelsTarget target;
    SYSTEM_INFO system{};
    ::GetNativeSystemInfo(&system);
    target.Architecture = system.wProcessorArchitecture;

    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(ntdll ? ::GetProcAddress(ntdll, "RtlGetVersion") : nullptr));
    RTL_OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (rtlGetVersion && rtlGetVersion(&version) == 0) {
        target.MajorVersion = version.dwMajorVersion;
        target.MinorVersion = version.dwMinorVersion;
        target.BuildNumber = version.dwBuildNumber;
        target.ProductType = version.wProductType;
        target.SuiteMask = version.wSuiteMask;
    }
    return target;
}

// The caller's structure is copied as bytes: it may be the 28-byte V2 or our
// 36-byte layout behind the V2 pointer type.
std::optional<ModelsTarget> TargetFromPlatformInfo(const void* info, DWORD& error) {
    AltPlatformInfoV3 platform{};
    std::memcpy(&platform.cbSize, info, sizeof(platform.cbSize));
    if (platform.cbSize != kAltPlatformInfoV2Size && platform.cbSize != kAltPlatformInfoV3Size) {
        error = ERROR_INVALID_USER_BUFFER;
        return std::nullopt;
    }
    std::memcpy(&platform, info, platform.cbSize);
    if (platform.Platform != VER_PLATFORM_WIN32_NT) {
        error = ERROR_INVALID_PARAMETER;
        return std::nullopt;
    }
    ModelsTarget target;
    target.Architecture = platform.ProcessorArchitecture;
    target.MajorVersion = platform.MajorVersion;
    target.MinorVersion = platform.MinorVersion;
    if (platform.cbSize == kAltPlatformInfoV3Size) {
        target.BuildNumber = platform.BuildNumber;
        target.ProductType = platform.ProductType;
        if (platform.Flags & kAltPlatformFlagsSuiteMask) target.SuiteMask = platform.SuiteMask;
    }
    return target;
}

}  // namespace

BOOL WINAPI GetActualModelsSection(PINFCONTEXT Context, PSP_ALTPLATFORM_INFO AlternatePlatformInfo,
                                   PWSTR InfSectionWithExt, DWORD InfSectionWithExtSize, PDWORD RequiredSize,
                                   PVOID Reserved) {
    if (!Context || Reserved || (!InfSectionWithExt && InfSectionWithExtSize != 0))
        return Fail(ERROR_INVALID_PARAMETER);

    DWORD platformError = ERROR_SUCCESS;
    const std::optional<ModelsTarget> target =
        AlternatePlatformInfo ? TargetFromPlatformInfo(AlternatePlatformInfo, platformError) : RunningPlatform();
    if (!target) return Fail(platformError);

    // Field 1 names the models section (a line without "=" is its own name);
    // the fields after it are the decorations.
    const DWORD fieldCount = ::SetupGetFieldCount(Context);
    std::wstring modelsName;
    if (fieldCount < 1) return Fail(ERROR_INVALID_DATA);
    if (!ReadInfField(*Context, 1, modelsName)) return Fail(::GetLastError());
    if (modelsName.empty()) return Fail(ERROR_INVALID_DATA);
    std::vector<std::wstring> decorations;
    for (DWORD field = 2; field <= fieldCount; ++field) {
        std::wstring decoration;
        if (!ReadInfField(*Context, field, decoration)) return Fail(::GetLastError());
        decorations.push_back(std::move(decoration));
    }

    const std::optional<std::wstring> section = SelectModelsSection(modelsName, decorations, *target);
    if (!section) return Fail(ERROR_NO_COMPAT_DRIVERS);

    const auto required = static_cast<DWORD>(section->size() + 1);
    if (RequiredSize) *RequiredSize = required;
    if (InfSectionWithExt) {
        if (InfSectionWithExtSize < required) return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(InfSectionWithExt, section->c_str(), required * sizeof(wchar_t));
    }
    ::SetLastError(NO_ERROR);
    return TRUE;
}

ActualModelsSectionFunction ResolveActualModelsSection() {
    // The module stays loaded for the life of the process, as the cached pointer needs.
    static const ActualModelsSectionFunction resolved = [] {
        const HMODULE setupapi = ::LoadLibraryExW(L"setupapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        const FARPROC system = setupapi ? ::GetProcAddress(setupapi, "SetupDiGetActualModelsSectionW") : nullptr;
        return system ? reinterpret_cast<ActualModelsSectionFunction>(reinterpret_cast<void*>(system))
                      : &GetActualModelsSection;
    }();
    return resolved;
}

BOOL CallActualModelsSection(PINFCONTEXT context, const AltPlatformInfoV3* platform, PWSTR section, DWORD size) {
    const ActualModelsSectionFunction replaced = replacement.load();
    const ActualModelsSectionFunction function = replaced ? replaced : ResolveActualModelsSection();
    if (!platform) return function(context, nullptr, section, size, nullptr, nullptr);

    AltPlatformInfoV3 info = v2Only.load() ? AsV2(*platform) : *platform;
    if (function(context, reinterpret_cast<PSP_ALTPLATFORM_INFO>(&info), section, size, nullptr, nullptr)) return TRUE;
    const DWORD error = ::GetLastError();
    if (info.cbSize == kAltPlatformInfoV2Size || !RefusesStructure(error)) return Fail(error);

    info = AsV2(info);
    const BOOL result =
        function(context, reinterpret_cast<PSP_ALTPLATFORM_INFO>(&info), section, size, nullptr, nullptr);
    const DWORD retryError = result ? NO_ERROR : ::GetLastError();
    // Refused just the same: the size was not the trouble, so nothing is learned.
    if (result || !RefusesStructure(retryError)) v2Only.store(true);
    ::SetLastError(retryError);
    return result;
}

ActualModelsSectionFunction ReplaceActualModelsSection(ActualModelsSectionFunction function) {
    const ActualModelsSectionFunction previous = replacement.exchange(function);
    v2Only.store(false);
    return previous;
}
