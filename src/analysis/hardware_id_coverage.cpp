#include "analysis/hardware_id_coverage.h"

namespace {

constexpr std::uint64_t Bit(std::uint32_t number) { return std::uint64_t{1} << (number % 64); }

}  // namespace

HardwareIdMarks::HardwareIdMarks(std::size_t largestFamilyIdCount) : bits_((largestFamilyIdCount + 63) / 64) {}

void HardwareIdMarks::Hold(const HardwareIdNumbers& ids) {
    if (held_ != nullptr) {
        for (const std::uint32_t number : *held_) bits_[number / 64] = 0;
    }
    for (const std::uint32_t number : ids) bits_[number / 64] |= Bit(number);
    held_ = &ids;
}

bool HardwareIdMarks::Holds(std::uint32_t number) const { return (bits_[number / 64] & Bit(number)) != 0; }

IdCoverage HardwareIdMarks::CoverageBy(const HardwareIdNumbers& other) const {
    IdCoverage coverage;
    coverage.Total = held_ == nullptr ? 0 : held_->size();
    if (coverage.Total == 0 || other.empty()) return coverage;
    for (const std::uint32_t number : other) coverage.Matched += (bits_[number / 64] >> (number % 64)) & 1;
    coverage.AllCovered = coverage.Matched == coverage.Total;
    return coverage;
}
