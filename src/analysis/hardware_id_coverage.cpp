#include "analysis/hardware_id_coverage.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::uint64_t Bit(std::uint32_t number) { return std::uint64_t{1} << (number % 64); }

}  // namespace

HardwareIdMarks::HardwareIdMarks(std::size_t largestFamilyIdCount) : bits_((largestFamilyIdCount + 63) / 64) {}

void HardwareIdMarks::Release() {
    if (heldWords_ > 0) {
        std::fill_n(bits_.begin(), heldWords_, 0);
    } else if (held_ != nullptr) {
        for (const std::uint32_t number : *held_) bits_[number / 64] = 0;
    }
    held_ = nullptr;
    heldWords_ = 0;
}

void HardwareIdMarks::Hold(const HardwareIdNumbers& ids) {
    Release();
    for (const std::uint32_t number : ids) bits_[number / 64] |= Bit(number);
    held_ = &ids;
}

void HardwareIdMarks::Hold(const PackageIndex& index, std::size_t i) {
    const IndexedPackage& package = index.Packages[i];
    const DriverFamily& family = index.Families[package.Family];
    if (family.IdBitWords == 0) {
        Hold(package.HardwareIds);
        return;
    }
    Release();
    const auto first = family.IdBits.begin() + static_cast<std::ptrdiff_t>(package.IdBitsAt);
    std::copy_n(first, family.IdBitWords, bits_.begin());
    held_ = &package.HardwareIds;
    heldWords_ = family.IdBitWords;
}

bool HardwareIdMarks::Holds(std::uint32_t number) const { return (bits_[number / 64] & Bit(number)) != 0; }

IdCoverage HardwareIdMarks::CoverageBy(const PackageIndex& index, std::size_t j) const {
    const IndexedPackage& other = index.Packages[j];
    const DriverFamily& family = index.Families[other.Family];
    IdCoverage coverage;
    coverage.Total = held_ == nullptr ? 0 : held_->size();
    if (coverage.Total == 0 || other.HardwareIds.empty()) return coverage;
    if (family.IdBitWords > 0) {
        // The held package is of this family, so its bits lie within the family's words.
        const std::uint64_t* words = family.IdBits.data() + other.IdBitsAt;
        for (std::size_t w = 0; w < family.IdBitWords; ++w) coverage.Matched += std::popcount(bits_[w] & words[w]);
    } else {
        for (const std::uint32_t number : other.HardwareIds) coverage.Matched += Holds(number) ? 1 : 0;
    }
    coverage.AllCovered = coverage.Matched == coverage.Total;
    return coverage;
}
