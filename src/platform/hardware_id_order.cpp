#include "platform/hardware_id_order.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kWordCharacters = sizeof(std::uint64_t) / sizeof(wchar_t);

bool SameWord(const wchar_t* a, const wchar_t* b) noexcept {
    std::uint64_t x = 0, y = 0;
    std::memcpy(&x, a, sizeof(x));
    std::memcpy(&y, b, sizeof(y));
    return x == y;
}

wchar_t FoldAscii(wchar_t c) noexcept { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

}  // namespace

int CompareHardwareIds(std::wstring_view a, std::wstring_view b) noexcept {
    const std::size_t count = std::min(a.size(), b.size());
    // IDs of one family share long prefixes: skip them a word at a time, and
    // fold only characters written differently.
    for (std::size_t k = 0;; ++k) {
        while (k + kWordCharacters <= count && SameWord(a.data() + k, b.data() + k)) k += kWordCharacters;
        while (k < count && a[k] == b[k]) ++k;
        if (k == count) break;
        const wchar_t x = FoldAscii(a[k]);
        const wchar_t y = FoldAscii(b[k]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}
