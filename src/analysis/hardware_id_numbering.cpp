#include "analysis/hardware_id_numbering.h"

#include <xmmintrin.h>

#include <cstring>
#include <cwctype>

#include "platform/hardware_id_order.h"

namespace {

constexpr std::size_t kPrefetchDistance = 8;

// Characters read as one 64-bit word: four on Windows.
constexpr std::size_t kWordCharacters = sizeof(std::uint64_t) / sizeof(wchar_t);

std::uint64_t ReadWord(const wchar_t* text) {
    std::uint64_t word = 0;
    std::memcpy(&word, text, sizeof(word));
    return word;
}

// Text hashed a word at a time in two interleaved lanes, so that the
// multiplications of one lane wait only for each other, and mixed at the end so
// that the low bits chosen as the slot depend on every character.
std::uint64_t HashText(std::wstring_view text) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t even = text.size() * kMultiplier;
    std::uint64_t odd = ~even;
    std::size_t k = 0;
    for (; k + 2 * kWordCharacters <= text.size(); k += 2 * kWordCharacters) {
        even = (even ^ ReadWord(text.data() + k)) * kMultiplier;
        odd = (odd ^ ReadWord(text.data() + k + kWordCharacters)) * kMultiplier;
    }
    std::uint64_t hash = even ^ (odd >> 31 | odd << 33);
    for (; k < text.size(); ++k) hash = (hash ^ static_cast<std::uint64_t>(text[k])) * kMultiplier;
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    return hash;
}

// Without a branch per word (the compiler vectorises it): IDs with the same hash
// and length are nearly always equal, so an early exit would gain nothing.
bool SameCharacters(const wchar_t* a, const wchar_t* b, std::size_t count) {
    std::uint64_t difference = 0;
    std::size_t k = 0;
    for (; k + kWordCharacters <= count; k += kWordCharacters) difference |= ReadWord(a + k) ^ ReadWord(b + k);
    for (; k < count; ++k) difference |= static_cast<std::uint64_t>(a[k] ^ b[k]);
    return difference == 0;
}

}  // namespace

void LowerHardwareId(std::wstring_view text, std::wstring& lowered) {
    lowered.resize(text.size());
    wchar_t* out = lowered.data();
    unsigned outsideAscii = 0;
    // Kept free of calls and branches so that the compiler can vectorise it.
    for (std::size_t k = 0; k < text.size(); ++k) {
        const unsigned c = text[k];
        outsideAscii |= c;
        out[k] = static_cast<wchar_t>(c + (static_cast<unsigned>(c - L'A' < 26u) << 5));
    }
    if (outsideAscii < 0x80) return;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] >= 0x80) out[k] = static_cast<wchar_t>(std::towlower(text[k]));
    }
}

std::uint32_t HardwareIdNumbering::Number(std::wstring_view id) {
    LowerHardwareId(id, lowered_);
    const std::uint64_t hash = HashText(lowered_);
    if ((entries_.size() + 1) * 2 > slots_.size()) Rehash(slots_.empty() ? 64 : slots_.size() * 2);
    const std::size_t slot = SlotOf(lowered_, hash);
    if (slots_[slot] != 0) return slots_[slot] - 1;
    const auto number = static_cast<std::uint32_t>(entries_.size());
    entries_.push_back({hash, characters_.size(), lowered_.size()});
    characters_.insert(characters_.end(), lowered_.begin(), lowered_.end());
    slots_[slot] = number + 1;
    return number;
}

void HardwareIdNumbering::NumberList(const std::vector<std::wstring>& ids, const std::vector<std::wstring>& previous,
                                     const std::vector<std::uint32_t>& previousNumbers,
                                     std::vector<std::uint32_t>& numbers) {
    numbers.assign(ids.size(), kNoNumber);
    std::size_t next = 0;  // the first ID of the previous list not yet passed
    for (std::size_t k = 0; k < ids.size(); ++k) {
        const std::wstring& id = ids[k];
        // The texts lie apart in memory: ask for the ones a few IDs ahead early.
        if (k + kPrefetchDistance < ids.size())
            _mm_prefetch(reinterpret_cast<const char*>(ids[k + kPrefetchDistance].data()), _MM_HINT_T0);
        if (id.empty()) continue;
        int order = 1;
        while (next < previous.size() && (order = CompareHardwareIds(previous[next], id)) < 0) ++next;
        // Equal in the reader's order is equal lower-cased: the same number.
        numbers[k] = next < previous.size() && order == 0 ? previousNumbers[next++] : Number(id);
    }
}

bool HardwareIdNumbering::Find(std::wstring_view lowered, std::uint32_t& number) const {
    if (slots_.empty()) return false;
    const std::size_t slot = SlotOf(lowered, HashText(lowered));
    if (slots_[slot] == 0) return false;
    number = slots_[slot] - 1;
    return true;
}

// The slot that holds the ID, or the free slot where it belongs.
std::size_t HardwareIdNumbering::SlotOf(std::wstring_view lowered, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t held = slots_[slot];
        if (held == 0) return slot;
        const Entry& entry = entries_[held - 1];
        if (entry.Hash == hash && entry.Length == lowered.size() &&
            SameCharacters(characters_.data() + entry.Offset, lowered.data(), lowered.size()))
            return slot;
    }
}

void HardwareIdNumbering::Reserve(std::size_t ids, std::size_t characters) {
    entries_.reserve(ids);
    characters_.reserve(characters);
    std::size_t slots = 64;
    while (slots < (ids + 1) * 2) slots *= 2;
    if (slots > slots_.size()) Rehash(slots);
}

// At most half the slots are ever in use, so that a search soon meets a free one.
void HardwareIdNumbering::Rehash(std::size_t slotCount) {
    slots_.assign(slotCount, 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t number = 0; number < entries_.size(); ++number) {
        std::size_t slot = entries_[number].Hash & mask;
        while (slots_[slot] != 0) slot = (slot + 1) & mask;
        slots_[slot] = static_cast<std::uint32_t>(number + 1);
    }
}
