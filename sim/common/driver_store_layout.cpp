#include "driver_store_layout.h"

#include <cwctype>
#include <limits>

#include "sim_text.h"

namespace sim {

std::wstring StoreFolderHash(std::string_view infBytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char byte : infBytes) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text(16, L'0');
    for (int i = 15; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kDigits[hash & 0xF];
        hash >>= 4;
    }
    return text;
}

std::wstring StoreFolderName(const std::wstring& infName, const std::wstring& architecture, const std::wstring& hash) {
    return ToLowerText(infName) + L"_" + architecture + L"_" + hash;
}

bool ParseStoreFolderName(const std::wstring& folderName, StoreFolderParts& parts) {
    const size_t hashSeparator = folderName.rfind(L'_');
    if (hashSeparator == std::wstring::npos || hashSeparator == 0) return false;
    const size_t archSeparator = folderName.rfind(L'_', hashSeparator - 1);
    if (archSeparator == std::wstring::npos || archSeparator == 0 || archSeparator + 1 == hashSeparator) {
        return false;
    }
    std::wstring hash = folderName.substr(hashSeparator + 1);
    if (hash.size() != 16) return false;
    for (wchar_t c : hash) {
        if (!std::iswxdigit(c)) return false;
    }
    parts.InfName = folderName.substr(0, archSeparator);
    parts.Architecture = folderName.substr(archSeparator + 1, hashSeparator - archSeparator - 1);
    parts.Hash = std::move(hash);
    return true;
}

bool ParsePublishedInfName(const std::wstring& fileName, std::uint32_t& number) {
    const std::wstring lower = ToLowerText(fileName);
    if (lower.size() < 8 || lower.compare(0, 3, L"oem") != 0 || lower.compare(lower.size() - 4, 4, L".inf") != 0) {
        return false;
    }
    std::uint64_t value = 0;
    for (size_t i = 3; i < lower.size() - 4; ++i) {
        const wchar_t c = lower[i];
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
        if (value > std::numeric_limits<std::uint32_t>::max()) value = std::numeric_limits<std::uint32_t>::max();
    }
    number = static_cast<std::uint32_t>(value);
    return true;
}

bool ParseImageDrive(std::string_view markerBytes, std::wstring& drive) {
    size_t begin = 0;
    size_t end = markerBytes.size();
    if (markerBytes.substr(0, 3) == "\xEF\xBB\xBF") begin = 3;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (begin < end && blank(markerBytes[begin])) ++begin;
    while (end > begin && blank(markerBytes[end - 1])) --end;
    if (end - begin != 2 || markerBytes[begin + 1] != ':') return false;
    const char letter = markerBytes[begin];
    const bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (!isLetter) return false;
    drive = {static_cast<wchar_t>(letter >= 'a' ? letter - 'a' + 'A' : letter), L':'};
    return true;
}

}  // namespace sim
