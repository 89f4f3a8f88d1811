#pragma once
// The 36-byte alternate-platform description that SetupAPI accepts where it takes
// an SP_ALTPLATFORM_INFO_V2 pointer. mingw's setupapi.h stops at the 28-byte V2,
// so the full layout (the SDK's V3: product type, suite mask, build) lives here.
// Plain fixed-width members keep it usable without <windows.h>. This is the x64
// layout (8-byte packing); 32-bit setupapi.h packs to 1 byte and differs.
#include <cstddef>
#include <cstdint>

struct AltPlatformInfoV3 {
    std::uint32_t cbSize;
    std::uint32_t Platform;
    std::uint32_t MajorVersion;
    std::uint32_t MinorVersion;
    std::uint16_t ProcessorArchitecture;
    std::uint16_t Flags;
    std::uint32_t FirstValidatedMajorVersion;
    std::uint32_t FirstValidatedMinorVersion;
    std::uint8_t ProductType;   // 0: not given
    std::uint16_t SuiteMask;    // valid only with kAltPlatformFlagsSuiteMask
    std::uint32_t BuildNumber;  // 0: not given
};

inline constexpr std::uint32_t kAltPlatformInfoV2Size = 28;
inline constexpr std::uint32_t kAltPlatformInfoV3Size = 36;
inline constexpr std::uint16_t kAltPlatformFlagsSuiteMask = 0x0002;  // SP_ALTPLATFORM_FLAGS_SUITE_MASK

static_assert(sizeof(AltPlatformInfoV3) == kAltPlatformInfoV3Size);
static_assert(offsetof(AltPlatformInfoV3, cbSize) == 0);
static_assert(offsetof(AltPlatformInfoV3, Platform) == 4);
static_assert(offsetof(AltPlatformInfoV3, MajorVersion) == 8);
static_assert(offsetof(AltPlatformInfoV3, MinorVersion) == 12);
static_assert(offsetof(AltPlatformInfoV3, ProcessorArchitecture) == 16);
static_assert(offsetof(AltPlatformInfoV3, Flags) == 18);
static_assert(offsetof(AltPlatformInfoV3, FirstValidatedMajorVersion) == 20);
static_assert(offsetof(AltPlatformInfoV3, FirstValidatedMinorVersion) == kAltPlatformInfoV2Size - 4);
static_assert(offsetof(AltPlatformInfoV3, ProductType) == kAltPlatformInfoV2Size);
static_assert(offsetof(AltPlatformInfoV3, SuiteMask) == 30);
static_assert(offsetof(AltPlatformInfoV3, BuildNumber) == 32);
