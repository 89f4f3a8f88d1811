#pragma once
// What is known about an offline installation's platform; every member is 0 or
// false when it could not be read.
#include <cstdint>

struct OfflineWindowsVersion {
    std::uint32_t Major = 0;
    std::uint32_t Minor = 0;
    std::uint32_t Build = 0;
    std::uint32_t Architecture = 0;  // PROCESSOR_ARCHITECTURE_*: 0, 9 or 12
    std::uint8_t ProductType = 0;    // VER_NT_*: 1, 2 or 3; 0 unknown
    bool ArchitectureKnown = false;
};
