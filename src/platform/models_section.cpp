#include "platform/models_section.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <tuple>
#include <utility>

#include "core/text_trim.h"

namespace {

constexpr std::size_t kMaxDecorationFields = 6;  // architecture, major, minor, product type, suite mask, build

wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualsAsciiIgnoreCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

int DigitValue(wchar_t c, unsigned base) {
    int value = -1;
    if (c >= L'0' && c <= L'9') value = c - L'0';
    else if (base == 16 && FoldAscii(c) >= L'a' && FoldAscii(c) <= L'f') value = FoldAscii(c) - L'a' + 10;
    return value;
}

// Decimal, or hexadecimal after "0x"; at least one digit, nothing else, no overflow.
std::optional<std::uint32_t> ParseNumber(std::wstring_view text) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == L'0' && FoldAscii(text[1]) == L'x') {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0) return std::nullopt;
        value = value * base + static_cast<unsigned>(digit);
        if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint16_t> ParseArchitecture(std::wstring_view text) {
    struct Name {
        std::wstring_view Text;
        std::uint16_t Architecture;
    };
    static constexpr std::array<Name, 5> names{{{L"x86", kArchitectureX86},
                                               {L"amd64", kArchitectureAmd64},
                                               {L"ia64", kArchitectureIa64},
                                               {L"arm", kArchitectureArm},
                                               {L"arm64", kArchitectureArm64}}};
    for (const Name& name : names) {
        if (EqualsAsciiIgnoreCase(text, name.Text)) return name.Architecture;
    }
    return std::nullopt;
}

using Version = std::pair<std::uint32_t, std::uint32_t>;

bool DecorationApplies(const ModelsDecoration& decoration, const ModelsTarget& target) {
    // Since Server 2003 SP1 only x86 reads sections that do not name an architecture.
    if (decoration.Architecture ? *decoration.Architecture != target.Architecture
                                : target.Architecture != kArchitectureX86)
        return false;

    const Version targetVersion{target.MajorVersion, target.MinorVersion};
    if (decoration.MajorVersion) {
        const Version version{*decoration.MajorVersion, decoration.MinorVersion};
        if (version > targetVersion) return false;
        // The build only matters on the decoration's own version; a newer one ignores it.
        if (decoration.BuildNumber && version == targetVersion &&
            target.BuildNumber < std::max(*decoration.BuildNumber, kFirstBuildWithBuildDecorations))
            return false;
    }
    if (decoration.ProductType && (target.ProductType == 0 || *decoration.ProductType != target.ProductType))
        return false;
    if (decoration.SuiteMask && (!target.SuiteMask || (*decoration.SuiteMask & ~std::uint32_t{*target.SuiteMask}) != 0))
        return false;
    return true;
}

// Larger ranks win: version first (none lowest), then a build, then a named
// architecture, product type and suite mask, then more suite bits.
auto Rank(const ModelsDecoration& d) {
    return std::make_tuple(d.MajorVersion.has_value(), d.MajorVersion.value_or(0), d.MinorVersion,
                           d.BuildNumber.has_value(), d.BuildNumber.value_or(0), d.Architecture.has_value(),
                           d.ProductType.has_value(), d.SuiteMask.has_value(), std::popcount(d.SuiteMask.value_or(0)));
}

}  // namespace

std::optional<ModelsDecoration> ParseModelsDecoration(std::wstring_view text) {
    if (text.size() < 2 || !EqualsAsciiIgnoreCase(text.substr(0, 2), L"nt")) return std::nullopt;
    text.remove_prefix(2);

    std::array<std::wstring_view, kMaxDecorationFields> fields{};
    std::size_t count = 0;
    for (;;) {
        if (count == fields.size()) return std::nullopt;
        const std::size_t dot = text.find(L'.');
        fields[count++] = text.substr(0, dot);
        if (dot == std::wstring_view::npos) break;
        text.remove_prefix(dot + 1);
    }

    ModelsDecoration decoration;
    if (!fields[0].empty()) {
        decoration.Architecture = ParseArchitecture(fields[0]);
        if (!decoration.Architecture) return std::nullopt;
    }
    std::array<std::optional<std::uint32_t>, kMaxDecorationFields> numbers{};
    for (std::size_t i = 1; i < count; ++i) {
        if (fields[i].empty()) continue;
        numbers[i] = ParseNumber(fields[i]);
        if (!numbers[i]) return std::nullopt;
    }
    decoration.MajorVersion = numbers[1];
    decoration.MinorVersion = numbers[2].value_or(0);
    decoration.ProductType = numbers[3];
    decoration.SuiteMask = numbers[4];
    decoration.BuildNumber = numbers[5];

    if (numbers[2] && !decoration.MajorVersion) return std::nullopt;
    if (decoration.BuildNumber &&
        (!decoration.MajorVersion || Version{*decoration.MajorVersion, decoration.MinorVersion} < Version{10, 0}))
        return std::nullopt;
    return decoration;
}

std::optional<std::wstring> SelectModelsSection(std::wstring_view modelsName,
                                                const std::vector<std::wstring>& decorations,
                                                const ModelsTarget& target) {
    std::optional<ModelsDecoration> best;
    std::wstring bestText;
    for (const std::wstring& raw : decorations) {
        std::wstring text = TrimWhitespace(raw);
        if (text.empty()) continue;
        const std::optional<ModelsDecoration> decoration = ParseModelsDecoration(text);
        if (!decoration || !DecorationApplies(*decoration, target)) continue;
        // Strictly better only, so the first of equals stays.
        if (!best || Rank(*decoration) > Rank(*best)) {
            best = decoration;
            bestText = std::move(text);
        }
    }
    if (best) {
        std::wstring section(modelsName);
        section += L'.';
        section += bestText;
        return section;
    }
    if (target.Architecture == kArchitectureX86) return std::wstring(modelsName);
    return std::nullopt;
}
