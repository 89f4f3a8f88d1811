#pragma once
// The machine an executable image was built for, from its DOS and NT headers.
// The bytes are untrusted: both readers check sizes and signatures. Portable.
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kDosHeaderBytes = 64;
// The "PE\0\0" signature followed by the 20-byte file header.
inline constexpr std::size_t kNtSignatureAndFileHeaderBytes = 24;
// Real images place their NT headers within the first few hundred bytes; a larger
// offset only comes from damage or a file that is no image.
inline constexpr std::uint32_t kMaxNtHeadersOffset = 0x100000;

// e_lfanew of a DOS header that starts with "MZ" and points no further than
// kMaxNtHeadersOffset.
[[nodiscard]] bool ReadNtHeadersOffset(std::span<const std::uint8_t> dosHeader, std::uint32_t& offset);
// The file header's machine field, after the "PE\0\0" signature.
[[nodiscard]] bool ReadImageMachine(std::span<const std::uint8_t> ntHeaders, std::uint16_t& machine);
