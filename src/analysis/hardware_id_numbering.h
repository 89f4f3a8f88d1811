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

    static constexpr std::uint32_t kNoNumber = 0xFFFFFFFFu;
    // Number() of each ID of `ids`, in order, kNoNumber for an empty one.
    // `previous` is a list numbered before, `previousNumbers` its numbers: one
    // version of a driver repeats most IDs of the version before, written alike
    // and in the same order, and an ID equal as written to the next of those
    // takes its number without a look-up.
    void NumberList(const std::vector<std::wstring>& ids, const std::vector<std::wstring>& previous,
                    const std::vector<std::uint32_t>& previousNumbers, std::vector<std::uint32_t>& numbers);

private:
    struct Entry {
        std::uint64_t Hash = 0;
        std::size_t Offset = 0;  // into characters_
        std::size_t Length = 0;
    };

    [[nodiscard]] std::size_t SlotOf(std::wstring_view lowered, std::uint64_t hash) const;
    void Grow();

    std::vector<wchar_t> characters_;   // the lower-cased IDs back to back
    std::vector<Entry> entries_;        // by number
    std::vector<std::uint32_t> slots_;  // open addressing: 0 is free, else number + 1
    std::wstring lowered_;              // the ID being numbered
};

// Each character through towlower, as the analysis compares IDs and keys
// (letters of the ASCII range without a call).
void LowerHardwareId(std::wstring_view text, std::wstring& lowered);
