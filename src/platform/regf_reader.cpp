#include "platform/regf_reader.h"

#include <algorithm>

namespace {

constexpr std::size_t kBaseBlockBytes = 4096;
constexpr std::uint32_t kBinAlignment = 4096;
constexpr std::uint32_t kBinHeaderBytes = 32;
constexpr std::size_t kNodeHeaderBytes = 76;
constexpr std::size_t kValueHeaderBytes = 20;
constexpr std::uint16_t kKeyCompressedName = 0x0020;
constexpr std::uint16_t kValueCompressedName = 0x0001;
constexpr std::uint32_t kInlineDataFlag = 0x80000000;

bool Fits(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t length) noexcept {
    return offset <= bytes.size() && length <= bytes.size() - offset;
}

// Every field is read through these; a field outside the view reads as 0.
std::uint16_t LoadU16(std::span<const std::uint8_t> bytes, std::size_t offset) noexcept {
    if (!Fits(bytes, offset, 2)) return 0;
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::uint32_t LoadU32(std::span<const std::uint8_t> bytes, std::size_t offset) noexcept {
    if (!Fits(bytes, offset, 4)) return 0;
    return static_cast<std::uint32_t>(bytes[offset]) | (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

template <std::size_t N>
bool HasSignature(std::span<const std::uint8_t> bytes, const char (&signature)[N]) noexcept {
    if (bytes.size() < N - 1) return false;
    for (std::size_t i = 0; i + 1 < N; ++i) {
        if (bytes[i] != static_cast<std::uint8_t>(signature[i])) return false;
    }
    return true;
}

void MarkCell(std::vector<std::uint64_t>& bitmap, std::uint64_t offset) {
    bitmap[static_cast<std::size_t>(offset / 8 / 64)] |= std::uint64_t{1} << (offset / 8 % 64);
}

bool IsMarkedCell(const std::vector<std::uint64_t>& bitmap, std::uint64_t offset) noexcept {
    return (bitmap[static_cast<std::size_t>(offset / 8 / 64)] & (std::uint64_t{1} << (offset / 8 % 64))) != 0;
}

// Whether a stored name of that many bytes is within the format's limit.
bool NameFits(std::size_t bytes, bool compressed, std::uint32_t maxChars) noexcept {
    return compressed ? bytes <= maxChars : (bytes % 2 == 0 && bytes / 2 <= maxChars);
}

// Latin-1 names hold one byte per character, the others UTF-16LE.
std::u16string DecodeName(std::span<const std::uint8_t> bytes, bool compressed) {
    if (compressed) return std::u16string(bytes.begin(), bytes.end());
    std::u16string name;
    name.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) name.push_back(static_cast<char16_t>(LoadU16(bytes, i)));
    return name;
}

// Case pairs laid out as alternating upper/lower code points in [first, last].
bool InAlternatingRange(unsigned c, unsigned first, unsigned last) noexcept {
    return c >= first && c <= last && ((c - first) & 1) == 1;
}

}  // namespace

char16_t RegfUpcase(char16_t c) noexcept {
    const unsigned u = c;
    if (u >= 'a' && u <= 'z') return static_cast<char16_t>(u - 0x20);
    if (u < 0xE0) return c;
    if (u <= 0xFE) return u == 0xF7 ? c : static_cast<char16_t>(u - 0x20);
    if (u == 0xFF) return u'\u0178';
    if (InAlternatingRange(u, 0x100, 0x12F) || InAlternatingRange(u, 0x132, 0x137) ||
        InAlternatingRange(u, 0x139, 0x148) || InAlternatingRange(u, 0x14A, 0x177) ||
        InAlternatingRange(u, 0x179, 0x17E) || InAlternatingRange(u, 0x1CD, 0x1DC) ||
        InAlternatingRange(u, 0x1DE, 0x1EF) || InAlternatingRange(u, 0x1F8, 0x21F) ||
        InAlternatingRange(u, 0x222, 0x233) || InAlternatingRange(u, 0x460, 0x481) ||
        InAlternatingRange(u, 0x48A, 0x4BF) || InAlternatingRange(u, 0x4C1, 0x4CE) ||
        InAlternatingRange(u, 0x4D0, 0x52F) || InAlternatingRange(u, 0x1E00, 0x1E95) ||
        InAlternatingRange(u, 0x1EA0, 0x1EFF)) {
        return static_cast<char16_t>(u - 1);
    }
    if (u == 0x3AC) return u'\u0386';
    if (u >= 0x3AD && u <= 0x3AF) return static_cast<char16_t>(u - 37);
    if ((u >= 0x3B1 && u <= 0x3C1) || (u >= 0x3C3 && u <= 0x3CB)) return static_cast<char16_t>(u - 0x20);
    if (u == 0x3C2) return u'\u03A3';
    if (u == 0x3CC) return u'\u038C';
    if (u == 0x3CD || u == 0x3CE) return static_cast<char16_t>(u - 63);
    if (u >= 0x430 && u <= 0x44F) return static_cast<char16_t>(u - 0x20);
    if (u >= 0x450 && u <= 0x45F) return static_cast<char16_t>(u - 0x50);
    if (u == 0x4CF) return u'\u04C0';
    if (u >= 0x561 && u <= 0x586) return static_cast<char16_t>(u - 0x30);
    if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<char16_t>(u - 0x20);
    return c;
}

int RegfCompareNames(std::u16string_view a, std::u16string_view b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t ua = RegfUpcase(a[i]);
        const char16_t ub = RegfUpcase(b[i]);
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

RegfLoadResult RegfHive::Load(std::vector<std::uint8_t> file) {
    file_ = std::move(file);
    allocatedCells_.clear();
    binsEnd_ = 0;
    root_ = 0;
    closedCleanly_ = false;

    const std::span<const std::uint8_t> bytes(file_);
    if (!HasSignature(bytes, "regf")) return RegfLoadResult::NotAHive;
    if (bytes.size() < kBaseBlockBytes) return RegfLoadResult::Corrupt;
    closedCleanly_ = LoadU32(bytes, 0x04) == LoadU32(bytes, 0x08);
    minorVersion_ = LoadU32(bytes, 0x18);
    if (LoadU32(bytes, 0x14) != 1 || minorVersion_ < 3 || minorVersion_ > 6 || LoadU32(bytes, 0x1C) != 0 ||
        LoadU32(bytes, 0x20) != 1) {
        return RegfLoadResult::UnsupportedFormat;
    }
    const std::uint32_t declaredBins = LoadU32(bytes, 0x28);
    if (declaredBins == 0 || declaredBins % kBinAlignment != 0) return RegfLoadResult::Corrupt;

    // Hives whose header claims more bins than the file holds exist; read what is there.
    const std::uint64_t available = bytes.size() - kBaseBlockBytes;
    const std::uint64_t end = std::min<std::uint64_t>(declaredBins, available);
    const std::span<const std::uint8_t> bins = bytes.subspan(kBaseBlockBytes, static_cast<std::size_t>(end));
    allocatedCells_.assign(static_cast<std::size_t>(end / 8 / 64 + 1), 0);

    // A bad bin ends the walk: what follows it is treated as absent. A bad cell
    // loses only the rest of its own bin.
    std::uint64_t binStart = 0;
    while (binStart + kBinHeaderBytes <= end) {
        const std::span<const std::uint8_t> header = bins.subspan(static_cast<std::size_t>(binStart), kBinHeaderBytes);
        const std::uint32_t binSize = LoadU32(header, 8);
        if (!HasSignature(header, "hbin") || LoadU32(header, 4) != binStart || binSize == 0 ||
            binSize % kBinAlignment != 0 || binSize > end - binStart) {
            break;
        }
        const std::uint64_t binEnd = binStart + binSize;
        std::uint64_t cell = binStart + kBinHeaderBytes;
        while (cell + 4 <= binEnd) {
            const std::int32_t raw = static_cast<std::int32_t>(LoadU32(bins, static_cast<std::size_t>(cell)));
            if (raw == INT32_MIN) break;
            const std::uint32_t size = static_cast<std::uint32_t>(raw < 0 ? -raw : raw);
            if (size < 8 || size % 8 != 0 || size > binEnd - cell) break;
            if (raw < 0) MarkCell(allocatedCells_, cell);
            cell += size;
        }
        binStart = binEnd;
    }
    binsEnd_ = static_cast<std::uint32_t>(binStart);
    if (binsEnd_ == 0) return RegfLoadResult::Corrupt;

    root_ = LoadU32(bytes, 0x24);
    Node root;
    if (!ReadNode(root_, root)) return RegfLoadResult::Corrupt;
    return RegfLoadResult::Ok;
}

std::span<const std::uint8_t> RegfHive::Cell(std::uint32_t offset) const {
    if (offset % 8 != 0 || offset >= binsEnd_ || !IsMarkedCell(allocatedCells_, offset)) return {};
    // The bin walk accepted this cell, so its size is sane and within its bin.
    const std::span<const std::uint8_t> bins = std::span<const std::uint8_t>(file_).subspan(kBaseBlockBytes, binsEnd_);
    const std::uint32_t size = 0u - LoadU32(bins, offset);
    return bins.subspan(offset + 4, size - 4);
}

bool RegfHive::ReadNode(Key key, Node& node) const {
    const std::span<const std::uint8_t> cell = Cell(key);
    if (!HasSignature(cell, "nk") || cell.size() < kNodeHeaderBytes) return false;
    const std::uint16_t nameBytes = LoadU16(cell, 72);
    if (!Fits(cell, kNodeHeaderBytes, nameBytes)) return false;
    node.CompressedName = (LoadU16(cell, 2) & kKeyCompressedName) != 0;
    if (!NameFits(nameBytes, node.CompressedName, kRegfMaxKeyNameChars)) return false;
    node.Name = cell.subspan(kNodeHeaderBytes, nameBytes);
    node.Parent = LoadU32(cell, 16);
    node.SubkeyCount = LoadU32(cell, 20);
    node.SubkeyList = LoadU32(cell, 28);
    node.ValueCount = LoadU32(cell, 36);
    node.ValueList = LoadU32(cell, 40);
    return true;
}

RegfStatus RegfHive::KeyName(Key key, std::u16string& name) const {
    Node node;
    if (!ReadNode(key, node)) return RegfStatus::Corrupt;
    name = DecodeName(node.Name, node.CompressedName);
    return RegfStatus::Ok;
}

bool RegfHive::AppendLeafEntries(std::span<const std::uint8_t> list, std::vector<std::uint32_t>& entries) const {
    std::size_t stride = 0;
    if (HasSignature(list, "li")) stride = 4;
    if (HasSignature(list, "lf") || HasSignature(list, "lh")) stride = 8;
    if (stride == 0) return false;
    const std::uint16_t count = LoadU16(list, 2);
    if (!Fits(list, 4, std::size_t{count} * stride)) return false;
    for (std::size_t i = 0; i < count; ++i) entries.push_back(LoadU32(list, 4 + i * stride));
    return true;
}

RegfStatus RegfHive::SubkeyEntries(const Node& node, std::vector<std::uint32_t>& entries) const {
    entries.clear();
    if (node.SubkeyCount == 0) return RegfStatus::Ok;
    const std::span<const std::uint8_t> list = Cell(node.SubkeyList);
    if (HasSignature(list, "ri")) {
        const std::uint16_t count = LoadU16(list, 2);
        if (!Fits(list, 4, std::size_t{count} * 4)) return RegfStatus::Corrupt;
        for (std::size_t i = 0; i < count; ++i) {
            // An index list holds leaf lists only, never another index list.
            if (!AppendLeafEntries(Cell(LoadU32(list, 4 + i * 4)), entries)) return RegfStatus::Corrupt;
        }
    } else if (!AppendLeafEntries(list, entries)) {
        return RegfStatus::Corrupt;
    }
    // The node's count and the lists may disagree; the smaller one holds.
    if (entries.size() > node.SubkeyCount) entries.resize(node.SubkeyCount);
    return RegfStatus::Ok;
}

RegfStatus RegfHive::FindSubkey(Key parent, std::u16string_view name, Key& subkey) const {
    Node node;
    std::vector<std::uint32_t> entries;
    if (!ReadNode(parent, node)) return RegfStatus::Corrupt;
    if (const RegfStatus status = SubkeyEntries(node, entries); status != RegfStatus::Ok) return status;

    // A damaged entry might have been the one asked for, so a miss after damage is no "not found".
    bool damaged = false;
    for (const std::uint32_t entry : entries) {
        Node child;
        if (!ReadNode(entry, child)) {
            damaged = true;
            continue;
        }
        if (RegfCompareNames(DecodeName(child.Name, child.CompressedName), name) != 0) continue;
        if (child.Parent != parent || entry == root_) {
            damaged = true;
            continue;
        }
        subkey = entry;
        return RegfStatus::Ok;
    }
    return damaged ? RegfStatus::Corrupt : RegfStatus::NotFound;
}

RegfStatus RegfHive::ListSubkeys(Key parent, std::vector<Key>& subkeys) const {
    subkeys.clear();
    Node node;
    std::vector<std::uint32_t> entries;
    if (!ReadNode(parent, node)) return RegfStatus::Corrupt;
    if (const RegfStatus status = SubkeyEntries(node, entries); status != RegfStatus::Ok) return status;
    std::vector<std::u16string> names;
    names.reserve(entries.size());
    for (const std::uint32_t entry : entries) {
        Node child;
        if (entry == root_ || !ReadNode(entry, child) || child.Parent != parent) return RegfStatus::Corrupt;
        names.push_back(DecodeName(child.Name, child.CompressedName));
    }
    // Walkers open subkeys by name; a repeated name would lead them into the first
    // one again, and repeats on every level multiply into endless work.
    std::sort(names.begin(), names.end(),
              [](const std::u16string& a, const std::u16string& b) { return RegfCompareNames(a, b) < 0; });
    const auto repeated = std::adjacent_find(
        names.begin(), names.end(),
        [](const std::u16string& a, const std::u16string& b) { return RegfCompareNames(a, b) == 0; });
    if (repeated != names.end()) return RegfStatus::Corrupt;
    subkeys = std::move(entries);
    return RegfStatus::Ok;
}

bool RegfHive::ReadValueRecord(std::uint32_t offset, ValueRecord& record) const {
    const std::span<const std::uint8_t> cell = Cell(offset);
    if (!HasSignature(cell, "vk") || cell.size() < kValueHeaderBytes) return false;
    const std::uint16_t nameBytes = LoadU16(cell, 2);
    if (!Fits(cell, kValueHeaderBytes, nameBytes)) return false;
    record.CompressedName = (LoadU16(cell, 16) & kValueCompressedName) != 0;
    if (!NameFits(nameBytes, record.CompressedName, kRegfMaxValueNameChars)) return false;
    record.Name = cell.subspan(kValueHeaderBytes, nameBytes);
    record.DataSize = LoadU32(cell, 4);
    record.DataField = cell.subspan(8, 4);
    record.Type = LoadU32(cell, 12);
    return true;
}

RegfStatus RegfHive::ValueEntries(const Node& node, std::span<const std::uint8_t>& entries) const {
    entries = {};
    if (node.ValueCount == 0) return RegfStatus::Ok;
    const std::span<const std::uint8_t> list = Cell(node.ValueList);
    if (list.empty()) return RegfStatus::Corrupt;
    // The node's count, capped by what the list cell can hold.
    const std::size_t count = std::min<std::size_t>(node.ValueCount, list.size() / 4);
    entries = list.first(count * 4);
    return RegfStatus::Ok;
}

bool RegfHive::ReadBigData(std::span<const std::uint8_t> db, std::uint32_t size,
                           std::vector<std::uint8_t>& data) const {
    if (db.size() < 8 || !HasSignature(db, "db")) return false;
    const std::uint32_t segments = LoadU16(db, 2);
    if (segments != (size + kRegfBigDataSegmentBytes - 1) / kRegfBigDataSegmentBytes) return false;
    const std::span<const std::uint8_t> list = Cell(LoadU32(db, 4));
    if (!Fits(list, 0, std::size_t{segments} * 4)) return false;
    data.clear();
    data.reserve(size);
    for (std::uint32_t i = 0; i < segments; ++i) {
        const std::span<const std::uint8_t> segment = Cell(LoadU32(list, std::size_t{i} * 4));
        const std::size_t wanted = std::min<std::size_t>(kRegfBigDataSegmentBytes, size - data.size());
        if (segment.size() < wanted) return false;
        data.insert(data.end(), segment.begin(), segment.begin() + static_cast<std::ptrdiff_t>(wanted));
    }
    return true;
}

RegfStatus RegfHive::ReadValueData(const ValueRecord& record, std::vector<std::uint8_t>& data) const {
    data.clear();
    if ((record.DataSize & kInlineDataFlag) != 0) {
        const std::uint32_t size = record.DataSize & ~kInlineDataFlag;
        if (size > 4) return RegfStatus::Corrupt;
        data.assign(record.DataField.begin(), record.DataField.begin() + size);
        return RegfStatus::Ok;
    }
    const std::uint32_t size = record.DataSize;
    if (size == 0) return RegfStatus::Ok;
    if (size > kRegfMaxValueBytes) return RegfStatus::Corrupt;
    const std::span<const std::uint8_t> cell = Cell(LoadU32(record.DataField, 0));
    if (size > kRegfBigDataSegmentBytes && minorVersion_ > 3 && ReadBigData(cell, size, data)) {
        return RegfStatus::Ok;
    }
    // Writers that know no big-data cells keep long values in one cell.
    if (cell.size() < size) return RegfStatus::Corrupt;
    data.assign(cell.begin(), cell.begin() + size);
    return RegfStatus::Ok;
}

RegfStatus RegfHive::FindValue(Key key, std::u16string_view name, RegfValue& value) const {
    Node node;
    std::span<const std::uint8_t> entries;
    if (!ReadNode(key, node)) return RegfStatus::Corrupt;
    if (const RegfStatus status = ValueEntries(node, entries); status != RegfStatus::Ok) return status;

    bool damaged = false;
    for (std::size_t i = 0; i < entries.size(); i += 4) {
        ValueRecord record;
        if (!ReadValueRecord(LoadU32(entries, i), record)) {
            damaged = true;
            continue;
        }
        if (RegfCompareNames(DecodeName(record.Name, record.CompressedName), name) != 0) continue;
        value.Type = record.Type;
        return ReadValueData(record, value.Data);
    }
    return damaged ? RegfStatus::Corrupt : RegfStatus::NotFound;
}

RegfStatus RegfHive::EnumValue(Key key, std::uint32_t index, std::u16string& name, RegfValue& value) const {
    Node node;
    std::span<const std::uint8_t> entries;
    if (!ReadNode(key, node)) return RegfStatus::Corrupt;
    if (const RegfStatus status = ValueEntries(node, entries); status != RegfStatus::Ok) return status;
    if (index >= entries.size() / 4) return RegfStatus::NoMoreItems;
    ValueRecord record;
    if (!ReadValueRecord(LoadU32(entries, std::size_t{index} * 4), record)) return RegfStatus::Corrupt;
    name = DecodeName(record.Name, record.CompressedName);
    value.Type = record.Type;
    return ReadValueData(record, value.Data);
}
