#pragma once
// Builds registry hive files ("regf") for test fixtures: keys, typed values, every
// form of subkey list and big-data cells, laid out as Windows lays them out. The
// output is the same for the same input (fixed timestamps). Portable C++.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Value types as the registry numbers them (the platform's REG_* constants).
inline constexpr std::uint32_t kRegfTypeSz = 1;
inline constexpr std::uint32_t kRegfTypeExpandSz = 2;
inline constexpr std::uint32_t kRegfTypeBinary = 3;
inline constexpr std::uint32_t kRegfTypeDword = 4;
inline constexpr std::uint32_t kRegfTypeMultiSz = 7;
inline constexpr std::uint32_t kRegfTypeQword = 11;

// How a key's subkeys are listed. Ri spreads them over two leaf lists; any list of
// more than 1024 subkeys becomes an Ri of leaves of that size.
enum class RegfListForm : std::uint8_t { Lh, Lf, Li, Ri };

// Where Serialize put each key and value, for tests that damage a chosen record.
struct RegfLayout {
    std::map<std::u16string, std::uint32_t> Keys;                               // key path ("" for the root) -> nk cell
    std::map<std::pair<std::u16string, std::u16string>, std::uint32_t> Values;  // (key path, value name) -> vk cell
};

class RegfWriter {
public:
    // Paths are relative to the root, components separated by "\"; names compare
    // without regard to case, and missing keys on the way are created.
    void AddKey(std::u16string_view path);
    // Adds the value or replaces the one of the same name. "" is the default value.
    void SetValue(std::u16string_view path, std::u16string_view name, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    void SetSubkeyListForm(std::u16string_view path, RegfListForm form);
    // 3 to 6, default 5. Below 5 leaf lists are lf instead of lh; at 3 long values
    // stay in one cell instead of big-data segments.
    void SetMinorVersion(std::uint32_t minor) { minorVersion_ = minor; }
    // The base block's primary and secondary sequence numbers, default 1 and 1;
    // differing numbers make the hive one whose last write did not finish.
    void SetSequenceNumbers(std::uint32_t primary, std::uint32_t secondary) {
        primarySequence_ = primary;
        secondarySequence_ = secondary;
    }

    [[nodiscard]] std::vector<std::uint8_t> Serialize(RegfLayout* layout = nullptr) const;

    // The tree as built, in insertion order.
    struct Value {
        std::u16string Name;
        std::uint32_t Type = 0;
        std::vector<std::uint8_t> Data;
    };
    struct Key {
        std::u16string Name;
        std::vector<Key> Subkeys;
        std::vector<Value> Values;
        RegfListForm Form = RegfListForm::Lh;
    };
    [[nodiscard]] const Key& Root() const noexcept { return root_; }

private:
    Key& FindOrAddKey(std::u16string_view path);

    Key root_{u"ROOT", {}, {}, RegfListForm::Lh};
    std::uint32_t minorVersion_ = 5;
    std::uint32_t primarySequence_ = 1;
    std::uint32_t secondarySequence_ = 1;
};

// Value data in the registry's encodings (UTF-16LE, little-endian numbers).
[[nodiscard]] std::vector<std::uint8_t> RegfStringData(std::u16string_view text);  // with its terminating NUL
[[nodiscard]] std::vector<std::uint8_t> RegfMultiStringData(const std::vector<std::u16string>& items);
[[nodiscard]] std::vector<std::uint8_t> RegfDwordData(std::uint32_t value);
[[nodiscard]] std::vector<std::uint8_t> RegfQwordData(std::uint64_t value);
