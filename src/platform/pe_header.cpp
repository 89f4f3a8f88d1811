#include "platform/pe_header.h"

namespace {

constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t kNtHeadersOffsetField = 60;

std::uint32_t ReadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

}  // namespace

bool ReadNtHeadersOffset(std::span<const std::uint8_t> dosHeader, std::uint32_t& offset) {
    if (dosHeader.size() < kDosHeaderBytes) return false;
    if (ReadLittleEndian(dosHeader, 0, 2) != kDosSignature) return false;
    const std::uint32_t value = ReadLittleEndian(dosHeader, kNtHeadersOffsetField, 4);
    if (value > kMaxNtHeadersOffset) return false;
    offset = value;
    return true;
}

bool ReadImageMachine(std::span<const std::uint8_t> ntHeaders, std::uint16_t& machine) {
    if (ntHeaders.size() < kNtSignatureAndFileHeaderBytes) return false;
    if (ReadLittleEndian(ntHeaders, 0, 4) != kNtSignature) return false;
    machine = static_cast<std::uint16_t>(ReadLittleEndian(ntHeaders, 4, 2));
    return true;
}
