#pragma once
// Which models section of a [Manufacturer] line applies to a platform, by the
// decoration rules NT[Architecture][.[Major][.[Minor][.[ProductType][.[SuiteMask][.[Build]]]]]].
// Pure decision: no platform calls, so it builds and runs anywhere.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Processor architectures numbered as PROCESSOR_ARCHITECTURE_*.
inline constexpr std::uint16_t kArchitectureX86 = 0;
inline constexpr std::uint16_t kArchitectureArm = 5;
inline constexpr std::uint16_t kArchitectureIa64 = 6;
inline constexpr std::uint16_t kArchitectureAmd64 = 9;
inline constexpr std::uint16_t kArchitectureArm64 = 12;

// Decorations with a build number are unreadable to Windows 10 before this build,
// which ignores them.
inline constexpr std::uint32_t kFirstBuildWithBuildDecorations = 14310;

// The platform the decorations are judged against. Product type 0, build 0 and an
// absent suite mask mean "not given": a decoration that needs the missing value
// does not apply.
struct ModelsTarget {
    std::uint16_t Architecture = kArchitectureX86;
    std::uint32_t MajorVersion = 0;
    std::uint32_t MinorVersion = 0;
    std::uint32_t BuildNumber = 0;
    std::uint8_t ProductType = 0;
    std::optional<std::uint16_t> SuiteMask;
};

// One decoration; absent members were not specified. A missing minor version is 0.
struct ModelsDecoration {
    std::optional<std::uint16_t> Architecture;
    std::optional<std::uint32_t> MajorVersion;
    std::uint32_t MinorVersion = 0;
    std::optional<std::uint32_t> ProductType;
    std::optional<std::uint32_t> SuiteMask;
    std::optional<std::uint32_t> BuildNumber;
};

// Nothing when the text is not a well-formed decoration; such text never applies.
// Case-insensitive; numbers are decimal or 0x-prefixed hexadecimal.
std::optional<ModelsDecoration> ParseModelsDecoration(std::wstring_view text);

// The section for the target: `modelsName` + "." + the best applicable decoration
// as written, else the bare name on x86, else nothing (the line offers nothing for
// the target). Decorations are trimmed; empty ones are skipped.
std::optional<std::wstring> SelectModelsSection(std::wstring_view modelsName,
                                                const std::vector<std::wstring>& decorations,
                                                const ModelsTarget& target);
