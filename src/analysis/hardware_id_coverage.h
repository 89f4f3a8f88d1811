#pragma once
// How many hardware IDs of one package another package of the same family also
// lists.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/package_index.h"

struct IdCoverage {
    std::uint64_t Matched = 0;  // IDs of the held package that the other lists
    std::uint64_t Total = 0;    // IDs of the held package
    bool AllCovered = false;    // both lists non-empty and every ID matched
};

// The hardware IDs of one package at a time, held as bits so that its coverage by
// every other member of its family costs one pass over that member's IDs, or
// over a few words where the index keeps the family's IDs as bits.
class HardwareIdMarks {
public:
    explicit HardwareIdMarks(std::size_t largestFamilyIdCount);
    HardwareIdMarks(const HardwareIdMarks&) = delete;
    HardwareIdMarks& operator=(const HardwareIdMarks&) = delete;

    // Replaces the held IDs; `ids` must outlive the hold.
    void Hold(const HardwareIdNumbers& ids);
    // Replaces the held IDs by package `i`'s; `index` must outlive the hold.
    void Hold(const PackageIndex& index, std::size_t i);
    [[nodiscard]] bool Holds(std::uint32_t number) const;
    [[nodiscard]] bool Empty() const { return held_ == nullptr || held_->empty(); }
    // Coverage of the held IDs by package `j`'s, a member of the held IDs' family.
    [[nodiscard]] IdCoverage CoverageBy(const PackageIndex& index, std::size_t j) const;

private:
    void Release();

    std::vector<std::uint64_t> bits_;
    const HardwareIdNumbers* held_ = nullptr;
    std::size_t heldWords_ = 0;  // words copied by the last hold; 0 when it set bit by bit
};
