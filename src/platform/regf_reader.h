#pragma once
// Read-only parser of registry hive files ("regf"). It trusts none of the file's
// bytes: a record is reached only through an offset that names an allocated cell
// found while walking the bins, and every field is read through a bounds-checked
// view. Portable (no platform headers); names are UTF-16 as char16_t.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::uint32_t kRegfMaxKeyNameChars = 255;
inline constexpr std::uint32_t kRegfMaxValueNameChars = 16383;
inline constexpr std::uint32_t kRegfMaxKeyDepth = 512;
// Payload of one big-data segment; also the largest value kept in a single cell.
inline constexpr std::uint32_t kRegfBigDataSegmentBytes = 16344;
// A big-data list may repeat one segment many times; without a cap a small file
// could claim gigabytes of value data.
inline constexpr std::uint32_t kRegfMaxValueBytes = 64u << 20;

enum class RegfLoadResult : std::uint8_t {
    Ok,
    NotAHive,           // no "regf" signature
    UnsupportedFormat,  // a version, file type or format this reader does not handle
    Corrupt,            // no usable bins, or the root key is unusable
};

enum class RegfStatus : std::uint8_t {
    Ok,
    NotFound,     // no subkey or value of that name
    NoMoreItems,  // index past the last value
    Corrupt,      // a record on the way is damaged
};

struct RegfValue {
    std::uint32_t Type = 0;
    std::vector<std::uint8_t> Data;
};

// The upper-case form the registry compares and orders names by (simple one-to-one
// mappings: "ä" becomes "Ä", "ß" stays).
[[nodiscard]] char16_t RegfUpcase(char16_t c) noexcept;
// <0, 0 or >0, comparing code units after RegfUpcase.
[[nodiscard]] int RegfCompareNames(std::u16string_view a, std::u16string_view b) noexcept;

class RegfHive {
public:
    using Key = std::uint32_t;  // cell offset of a key node

    // Takes the whole file. Damage past the base block only makes the affected
    // keys and values unreadable; the load fails when no root key can be read.
    [[nodiscard]] RegfLoadResult Load(std::vector<std::uint8_t> file);
    [[nodiscard]] Key Root() const noexcept { return root_; }
    // The base block's two sequence numbers are equal: the last write finished.
    // Otherwise recent changes may sit only in the transaction logs beside the
    // file, which this reader does not replay.
    [[nodiscard]] bool ClosedCleanly() const noexcept { return closedCleanly_; }

    [[nodiscard]] RegfStatus KeyName(Key key, std::u16string& name) const;
    // The first subkey whose name matches without regard to case.
    [[nodiscard]] RegfStatus FindSubkey(Key parent, std::u16string_view name, Key& subkey) const;
    // All subkeys in stored order. Fails as a whole when an entry is damaged, names
    // the root, names a key whose parent is another key, or repeats a name: so every
    // walk over these lists, by cell or by name, visits a tree, each key once.
    [[nodiscard]] RegfStatus ListSubkeys(Key parent, std::vector<Key>& subkeys) const;
    // The first value whose name matches without regard to case; "" is the default value.
    [[nodiscard]] RegfStatus FindValue(Key key, std::u16string_view name, RegfValue& value) const;
    [[nodiscard]] RegfStatus EnumValue(Key key, std::uint32_t index, std::u16string& name, RegfValue& value) const;

private:
    struct Node {
        std::uint32_t Parent = 0;
        std::uint32_t SubkeyCount = 0;
        std::uint32_t SubkeyList = 0;
        std::uint32_t ValueCount = 0;
        std::uint32_t ValueList = 0;
        std::span<const std::uint8_t> Name;
        bool CompressedName = false;
    };
    struct ValueRecord {
        std::uint32_t DataSize = 0;
        std::span<const std::uint8_t> DataField;  // the four bytes that hold the offset or inline data
        std::uint32_t Type = 0;
        std::span<const std::uint8_t> Name;
        bool CompressedName = false;
    };

    [[nodiscard]] std::span<const std::uint8_t> Cell(std::uint32_t offset) const;
    [[nodiscard]] bool ReadNode(Key key, Node& node) const;
    [[nodiscard]] bool ReadValueRecord(std::uint32_t offset, ValueRecord& record) const;
    [[nodiscard]] RegfStatus SubkeyEntries(const Node& node, std::vector<std::uint32_t>& entries) const;
    [[nodiscard]] bool AppendLeafEntries(std::span<const std::uint8_t> list, std::vector<std::uint32_t>& entries) const;
    [[nodiscard]] RegfStatus ValueEntries(const Node& node, std::span<const std::uint8_t>& entries) const;
    [[nodiscard]] RegfStatus ReadValueData(const ValueRecord& record, std::vector<std::uint8_t>& data) const;
    [[nodiscard]] bool ReadBigData(std::span<const std::uint8_t> db, std::uint32_t size,
                                   std::vector<std::uint8_t>& data) const;

    std::vector<std::uint8_t> file_;
    std::vector<std::uint64_t> allocatedCells_;  // one bit per 8-byte slot of the bins data
    std::uint32_t binsEnd_ = 0;                  // bins data that passed the bin walk
    std::uint32_t minorVersion_ = 0;
    Key root_ = 0;
    bool closedCleanly_ = false;
};
