#include "regf/regf_writer.h"

#include <algorithm>

#include "platform/regf_reader.h"

namespace {

constexpr std::size_t kBaseBlockBytes = 4096;
constexpr std::uint32_t kBinAlignment = 4096;
constexpr std::uint32_t kBinHeaderBytes = 32;
constexpr std::uint32_t kNoCell = 0xFFFFFFFF;
constexpr std::uint64_t kTimestamp = 0x01D9C0DE00000000;  // fixed, so fixtures are reproducible
constexpr std::uint16_t kKeyHiveEntry = 0x0004;
constexpr std::uint16_t kKeyNoDelete = 0x0008;
constexpr std::uint16_t kKeyCompressedName = 0x0020;
constexpr std::uint16_t kValueCompressedName = 0x0001;
constexpr std::uint32_t kInlineDataFlag = 0x80000000;
constexpr std::size_t kNodeHeaderBytes = 76;
constexpr std::size_t kValueHeaderBytes = 20;
constexpr std::size_t kMaxLeafEntries = 1024;

// Owner Administrators, group SYSTEM, one ACE granting Everyone read access: a
// plausible descriptor for tools that copy the parent's when they add a key.
constexpr std::uint8_t kSecurityDescriptor[] = {
    0x01, 0x00, 0x04, 0x80, 0x14, 0x00, 0x00, 0x00, 0x24, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // header
    0x30, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x20, 0x00, 0x00, 0x00,  // owner
    0x20, 0x02, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x12, 0x00, 0x00, 0x00,  // group
    0x02, 0x00, 0x1C, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x00, 0x19, 0x00, 0x02, 0x00,  // DACL, ACE
    0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};

std::size_t RoundUp(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool IsLatin1(std::u16string_view name) {
    return std::all_of(name.begin(), name.end(), [](char16_t c) { return c <= 0xFF; });
}

// Latin-1 names are stored one byte per character, the others as UTF-16LE.
std::vector<std::uint8_t> EncodeName(std::u16string_view name) {
    std::vector<std::uint8_t> bytes;
    const bool compressed = IsLatin1(name);
    for (const char16_t c : name) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        if (!compressed) bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

std::uint32_t NameHash(std::u16string_view name) {
    std::uint32_t hash = 0;
    for (const char16_t c : name) hash = hash * 37 + RegfUpcase(c);
    return hash;
}

// The first four characters as bytes; a first byte of 0 marks a name they cannot show.
std::uint32_t NameHint(std::u16string_view name) {
    std::uint32_t hint = 0;
    for (std::size_t i = 0; i < std::min<std::size_t>(4, name.size()); ++i) {
        if (name[i] > 0xFF) return 0;
        hint |= static_cast<std::uint32_t>(name[i]) << (8 * i);
    }
    return hint;
}

std::vector<std::u16string_view> SplitPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    while (!path.empty()) {
        const std::size_t separator = path.find(u'\\');
        const std::u16string_view part = path.substr(0, separator);
        if (!part.empty()) parts.push_back(part);
        if (separator == std::u16string_view::npos) break;
        path.remove_prefix(separator + 1);
    }
    return parts;
}

// Cells packed into bins; every offset is relative to the start of the bins data.
class CellBuilder {
public:
    CellBuilder() : bytes_(kBaseBlockBytes, 0) {}

    std::uint32_t Allocate(std::size_t payload) {
        const std::size_t size = RoundUp(payload + 4, 8);
        if (binEnd_ == 0 || next_ + size > binEnd_) OpenBin(size);
        const std::uint32_t cell = next_;
        PutRaw(cell, static_cast<std::uint32_t>(-static_cast<std::int64_t>(size)));
        next_ += static_cast<std::uint32_t>(size);
        return cell;
    }

    void Put16(std::uint32_t cell, std::size_t field, std::uint16_t value) { PutLittleEndian(cell, field, value, 2); }
    void Put32(std::uint32_t cell, std::size_t field, std::uint32_t value) { PutLittleEndian(cell, field, value, 4); }
    void Put64(std::uint32_t cell, std::size_t field, std::uint64_t value) { PutLittleEndian(cell, field, value, 8); }
    void PutBytes(std::uint32_t cell, std::size_t field, const std::uint8_t* data, std::size_t size) {
        std::copy(data, data + size, bytes_.begin() + static_cast<std::ptrdiff_t>(Position(cell, field)));
    }

    // Closes the last bin and fills in the base block.
    std::vector<std::uint8_t> Finish(std::uint32_t minorVersion, std::uint32_t root, std::uint32_t primarySequence,
                                     std::uint32_t secondarySequence) {
        CloseBin();
        PutBase(0x00, 0x66676572);  // "regf"
        PutBase(0x04, primarySequence);
        PutBase(0x08, secondarySequence);
        PutBase(0x0C, static_cast<std::uint32_t>(kTimestamp));
        PutBase(0x10, static_cast<std::uint32_t>(kTimestamp >> 32));
        PutBase(0x14, 1);
        PutBase(0x18, minorVersion);
        PutBase(0x1C, 0);
        PutBase(0x20, 1);
        PutBase(0x24, root);
        PutBase(0x28, binEnd_);
        PutBase(0x2C, 1);
        std::uint32_t checksum = 0;
        for (std::size_t offset = 0; offset < 0x1FC; offset += 4) checksum ^= LoadBase(offset);
        if (checksum == 0) checksum = 1;
        if (checksum == 0xFFFFFFFF) checksum = 0xFFFFFFFE;
        PutBase(0x1FC, checksum);
        return std::move(bytes_);
    }

private:
    static std::size_t Position(std::uint32_t cell, std::size_t field) { return kBaseBlockBytes + cell + 4 + field; }

    void PutLittleEndian(std::uint32_t cell, std::size_t field, std::uint64_t value, std::size_t width) {
        const std::size_t position = Position(cell, field);
        for (std::size_t i = 0; i < width; ++i) bytes_[position + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    void PutRaw(std::uint32_t offset, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            bytes_[kBaseBlockBytes + offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    void PutBase(std::size_t offset, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    std::uint32_t LoadBase(std::size_t offset) const {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes_[offset + i]) << (8 * i);
        return value;
    }

    // The rest of a bin becomes one free cell.
    void CloseBin() {
        if (binEnd_ != 0 && next_ < binEnd_) PutRaw(next_, binEnd_ - next_);
    }

    void OpenBin(std::size_t cellSize) {
        CloseBin();
        const std::uint32_t start = binEnd_;
        const std::uint32_t size = static_cast<std::uint32_t>(RoundUp(kBinHeaderBytes + cellSize, kBinAlignment));
        bytes_.resize(kBaseBlockBytes + start + size, 0);
        PutRaw(start, 0x6E696268);  // "hbin"
        PutRaw(start + 4, start);
        PutRaw(start + 8, size);
        if (start == 0) {
            PutRaw(start + 20, static_cast<std::uint32_t>(kTimestamp));
            PutRaw(start + 24, static_cast<std::uint32_t>(kTimestamp >> 32));
        }
        next_ = start + kBinHeaderBytes;
        binEnd_ = start + size;
    }

    std::vector<std::uint8_t> bytes_;
    std::uint32_t binEnd_ = 0;
    std::uint32_t next_ = 0;
};

class HiveEmitter {
public:
    HiveEmitter(CellBuilder& cells, std::uint32_t minorVersion, RegfLayout* layout)
        : cells_(cells), minorVersion_(minorVersion), layout_(layout) {}

    std::uint32_t Emit(const RegfWriter::Key& root) {
        const std::uint32_t rootCell = AllocateNode(root);
        security_ = cells_.Allocate(20 + sizeof(kSecurityDescriptor));
        cells_.PutBytes(security_, 0, reinterpret_cast<const std::uint8_t*>("sk"), 2);
        cells_.Put32(security_, 4, security_);
        cells_.Put32(security_, 8, security_);
        cells_.Put32(security_, 16, sizeof(kSecurityDescriptor));
        cells_.PutBytes(security_, 20, kSecurityDescriptor, sizeof(kSecurityDescriptor));
        FillNode(rootCell, root, kNoCell, u"", true);
        cells_.Put32(security_, 12, keyCount_);
        return rootCell;
    }

private:
    std::uint32_t AllocateNode(const RegfWriter::Key& key) {
        return cells_.Allocate(kNodeHeaderBytes + EncodeName(key.Name).size());
    }

    void FillNode(std::uint32_t cell, const RegfWriter::Key& key, std::uint32_t parent, const std::u16string& path,
                  bool isRoot) {
        ++keyCount_;
        if (layout_) layout_->Keys[path] = cell;
        const std::vector<std::uint8_t> name = EncodeName(key.Name);
        std::uint16_t flags = isRoot ? kKeyHiveEntry | kKeyNoDelete : 0;
        if (IsLatin1(key.Name)) flags |= kKeyCompressedName;
        cells_.PutBytes(cell, 0, reinterpret_cast<const std::uint8_t*>("nk"), 2);
        cells_.Put16(cell, 2, flags);
        cells_.Put64(cell, 4, kTimestamp);
        cells_.Put32(cell, 16, parent);
        cells_.Put32(cell, 32, kNoCell);
        cells_.Put32(cell, 44, security_);
        cells_.Put32(cell, 48, kNoCell);
        cells_.Put16(cell, 72, static_cast<std::uint16_t>(name.size()));
        cells_.PutBytes(cell, kNodeHeaderBytes, name.data(), name.size());

        std::uint32_t longestValueName = 0;
        std::uint32_t largestData = 0;
        std::vector<std::uint32_t> valueCells;
        for (const RegfWriter::Value& value : key.Values) {
            valueCells.push_back(EmitValue(value, path));
            longestValueName = std::max(longestValueName, static_cast<std::uint32_t>(value.Name.size() * 2));
            largestData = std::max(largestData, static_cast<std::uint32_t>(value.Data.size()));
        }
        cells_.Put32(cell, 36, static_cast<std::uint32_t>(valueCells.size()));
        cells_.Put32(cell, 40, valueCells.empty() ? kNoCell : EmitOffsets(valueCells));
        cells_.Put32(cell, 60, longestValueName);
        cells_.Put32(cell, 64, largestData);

        std::vector<const RegfWriter::Key*> subkeys;
        for (const RegfWriter::Key& subkey : key.Subkeys) subkeys.push_back(&subkey);
        std::stable_sort(subkeys.begin(), subkeys.end(), [](const RegfWriter::Key* a, const RegfWriter::Key* b) {
            return RegfCompareNames(a->Name, b->Name) < 0;
        });
        std::vector<std::uint32_t> subkeyCells;
        std::uint32_t longestSubkeyName = 0;
        for (const RegfWriter::Key* subkey : subkeys) {
            const std::uint32_t subkeyCell = AllocateNode(*subkey);
            const std::u16string subkeyPath = path.empty() ? subkey->Name : path + u"\\" + subkey->Name;
            FillNode(subkeyCell, *subkey, cell, subkeyPath, false);
            subkeyCells.push_back(subkeyCell);
            longestSubkeyName = std::max(longestSubkeyName, static_cast<std::uint32_t>(subkey->Name.size() * 2));
        }
        cells_.Put32(cell, 20, static_cast<std::uint32_t>(subkeyCells.size()));
        cells_.Put32(cell, 28, subkeyCells.empty() ? kNoCell : EmitSubkeyList(subkeys, subkeyCells, key.Form));
        cells_.Put32(cell, 52, longestSubkeyName);
    }

    std::uint32_t EmitOffsets(const std::vector<std::uint32_t>& offsets) {
        const std::uint32_t cell = cells_.Allocate(offsets.size() * 4);
        for (std::size_t i = 0; i < offsets.size(); ++i) cells_.Put32(cell, i * 4, offsets[i]);
        return cell;
    }

    std::uint32_t EmitValue(const RegfWriter::Value& value, const std::u16string& path) {
        const std::vector<std::uint8_t> name = EncodeName(value.Name);
        const std::uint32_t size = static_cast<std::uint32_t>(value.Data.size());
        std::uint32_t sizeField = size;
        std::uint32_t dataField = 0;
        if (size <= 4) {
            sizeField |= kInlineDataFlag;
            for (std::size_t i = 0; i < size; ++i) dataField |= static_cast<std::uint32_t>(value.Data[i]) << (8 * i);
        } else if (size > kRegfBigDataSegmentBytes && minorVersion_ > 3) {
            dataField = EmitBigData(value.Data);
        } else {
            dataField = cells_.Allocate(size);
            cells_.PutBytes(dataField, 0, value.Data.data(), size);
        }
        const std::uint32_t cell = cells_.Allocate(kValueHeaderBytes + name.size());
        cells_.PutBytes(cell, 0, reinterpret_cast<const std::uint8_t*>("vk"), 2);
        cells_.Put16(cell, 2, static_cast<std::uint16_t>(name.size()));
        cells_.Put32(cell, 4, sizeField);
        cells_.Put32(cell, 8, dataField);
        cells_.Put32(cell, 12, value.Type);
        cells_.Put16(cell, 16, !value.Name.empty() && IsLatin1(value.Name) ? kValueCompressedName : 0);
        cells_.PutBytes(cell, kValueHeaderBytes, name.data(), name.size());
        if (layout_) layout_->Values[{path, value.Name}] = cell;
        return cell;
    }

    std::uint32_t EmitBigData(const std::vector<std::uint8_t>& data) {
        std::vector<std::uint32_t> segments;
        for (std::size_t offset = 0; offset < data.size(); offset += kRegfBigDataSegmentBytes) {
            const std::size_t length = std::min<std::size_t>(kRegfBigDataSegmentBytes, data.size() - offset);
            // A full segment's cell has 4 spare bytes; the last one gets them too,
            // since some readers take a segment's length from its cell size.
            const std::uint32_t segment = cells_.Allocate(length + 4);
            cells_.PutBytes(segment, 0, data.data() + offset, length);
            segments.push_back(segment);
        }
        const std::uint32_t list = EmitOffsets(segments);
        const std::uint32_t db = cells_.Allocate(8);
        cells_.PutBytes(db, 0, reinterpret_cast<const std::uint8_t*>("db"), 2);
        cells_.Put16(db, 2, static_cast<std::uint16_t>(segments.size()));
        cells_.Put32(db, 4, list);
        return db;
    }

    std::uint32_t EmitSubkeyList(const std::vector<const RegfWriter::Key*>& subkeys,
                                 const std::vector<std::uint32_t>& cells, RegfListForm form) {
        RegfListForm leafForm = form == RegfListForm::Ri ? RegfListForm::Lh : form;
        if (leafForm == RegfListForm::Lh && minorVersion_ < 5) leafForm = RegfListForm::Lf;
        const std::size_t chunk = form == RegfListForm::Ri ? (cells.size() + 1) / 2 : kMaxLeafEntries;
        std::vector<std::uint32_t> leaves;
        for (std::size_t first = 0; first < cells.size(); first += chunk) {
            const std::size_t count = std::min(chunk, cells.size() - first);
            const std::size_t stride = leafForm == RegfListForm::Li ? 4 : 8;
            const std::uint32_t leaf = cells_.Allocate(4 + count * stride);
            const char* signature = leafForm == RegfListForm::Li ? "li" : leafForm == RegfListForm::Lf ? "lf" : "lh";
            cells_.PutBytes(leaf, 0, reinterpret_cast<const std::uint8_t*>(signature), 2);
            cells_.Put16(leaf, 2, static_cast<std::uint16_t>(count));
            for (std::size_t i = 0; i < count; ++i) {
                cells_.Put32(leaf, 4 + i * stride, cells[first + i]);
                const std::u16string& name = subkeys[first + i]->Name;
                if (leafForm == RegfListForm::Lf) cells_.Put32(leaf, 8 + i * stride, NameHint(name));
                if (leafForm == RegfListForm::Lh) cells_.Put32(leaf, 8 + i * stride, NameHash(name));
            }
            leaves.push_back(leaf);
        }
        if (leaves.size() == 1) return leaves.front();
        const std::uint32_t index = cells_.Allocate(4 + leaves.size() * 4);
        cells_.PutBytes(index, 0, reinterpret_cast<const std::uint8_t*>("ri"), 2);
        cells_.Put16(index, 2, static_cast<std::uint16_t>(leaves.size()));
        for (std::size_t i = 0; i < leaves.size(); ++i) cells_.Put32(index, 4 + i * 4, leaves[i]);
        return index;
    }

    CellBuilder& cells_;
    std::uint32_t minorVersion_;
    RegfLayout* layout_;
    std::uint32_t security_ = kNoCell;
    std::uint32_t keyCount_ = 0;
};

void AppendUtf16(std::vector<std::uint8_t>& bytes, std::u16string_view text) {
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
}

}  // namespace

RegfWriter::Key& RegfWriter::FindOrAddKey(std::u16string_view path) {
    Key* key = &root_;
    for (const std::u16string_view part : SplitPath(path)) {
        const auto found = std::find_if(key->Subkeys.begin(), key->Subkeys.end(),
                                        [&](const Key& subkey) { return RegfCompareNames(subkey.Name, part) == 0; });
        if (found != key->Subkeys.end()) {
            key = &*found;
        } else {
            key->Subkeys.push_back(Key{std::u16string(part), {}, {}, RegfListForm::Lh});
            key = &key->Subkeys.back();
        }
    }
    return *key;
}

void RegfWriter::AddKey(std::u16string_view path) {
    FindOrAddKey(path);
}

void RegfWriter::SetValue(std::u16string_view path, std::u16string_view name, std::uint32_t type,
                          std::vector<std::uint8_t> data) {
    Key& key = FindOrAddKey(path);
    const auto found = std::find_if(key.Values.begin(), key.Values.end(),
                                    [&](const Value& value) { return RegfCompareNames(value.Name, name) == 0; });
    Value value{std::u16string(name), type, std::move(data)};
    if (found != key.Values.end()) {
        *found = std::move(value);
    } else {
        key.Values.push_back(std::move(value));
    }
}

void RegfWriter::SetSubkeyListForm(std::u16string_view path, RegfListForm form) {
    FindOrAddKey(path).Form = form;
}

std::vector<std::uint8_t> RegfWriter::Serialize(RegfLayout* layout) const {
    if (layout) *layout = {};
    CellBuilder cells;
    HiveEmitter emitter(cells, minorVersion_, layout);
    const std::uint32_t root = emitter.Emit(root_);
    return cells.Finish(minorVersion_, root, primarySequence_, secondarySequence_);
}

std::vector<std::uint8_t> RegfStringData(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    AppendUtf16(bytes, text);
    return bytes;
}

std::vector<std::uint8_t> RegfMultiStringData(const std::vector<std::u16string>& items) {
    std::vector<std::uint8_t> bytes;
    for (const std::u16string& item : items) AppendUtf16(bytes, item);
    AppendUtf16(bytes, u"");
    return bytes;
}

std::vector<std::uint8_t> RegfDwordData(std::uint32_t value) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return bytes;
}

std::vector<std::uint8_t> RegfQwordData(std::uint64_t value) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return bytes;
}
