#pragma once
// Numbers for the distinct hardware IDs of one driver family, the IDs compared
// after lower-casing each character with towlower. The analysis reads every ID
// of every package on each run, so this is its one pass over the ID texts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class HardwareIdNumbering {
public:
    // The number of `id`, lower-cased here; the next free number for an ID not
    // seen before. Numbers count from 0 in order of first appearance.
    std::uint32_t Number(std::wstring_view id);
    // The number of an ID that is already lower-cased; false when it has none.
    [[nodiscard]] bool Find(std::wstring_view lowered, std::uint32_t& number) const;
    [[nodiscard]] std::size_t Count() const { return entries_.size(); }
    // Room for `ids` IDs of `characters` characters in all, numbered without
    // moving or rehashing what is stored.
    void Reserve(std::size_t ids, std::size_t characters);

    static constexpr std::uint32_t kNoNumber = 0xFFFFFFFFu;
    // Number() of each ID of `ids`, in order, kNoNumber for an empty one.
    // `previous` is a list numbered before, `previousNumbers` its numbers. One
    // version of a driver repeats most IDs of the version before, and both lists
    // come sorted from the INF reader (CompareHardwareIds): walked side by side,
    // an ID equal to one of the previous list takes its number without a
    // look-up. Lists in another order are numbered just the same, only slower.
    void NumberList(const std::vector<std::wstring>& ids, const std::vector<std::wstring>& previous,
                    const std::vector<std::uint32_t>& previousNumbers, std::vector<std::uint32_t>& numbers);

private:
    struct Entry {
        std::uint64_t Hash = 0;
        std::size_t Offset = 0;  // into characters_
        std::size_t Length = 0;
    };

    [[nodiscard]] std::size_t SlotOf(std::wstring_view lowered, std::uint64_t hash) const;
    void Rehash(std::size_t slotCount);  // a power of two

    std::vector<wchar_t> characters_;   // the lower-cased IDs back to back
    std::vector<Entry> entries_;        // by number
    std::vector<std::uint32_t> slots_;  // open addressing: 0 is free, else number + 1
    std::wstring lowered_;              // the ID being numbered
};

// Each character through towlower, as the analysis compares IDs and keys
// (letters of the ASCII range without a call).
void LowerHardwareId(std::wstring_view text, std::wstring& lowered);
