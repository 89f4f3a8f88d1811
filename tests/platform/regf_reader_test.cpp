#include "platform/regf_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "regf/regf_writer.h"

namespace {

constexpr std::size_t kBaseBlock = 4096;

// nk and vk field offsets, from the start of the record.
constexpr std::size_t kNodeSubkeyCount = 20;
constexpr std::size_t kNodeSubkeyList = 28;
constexpr std::size_t kNodeValueCount = 36;
constexpr std::size_t kNodeName = 76;
constexpr std::size_t kValueSize = 4;
constexpr std::size_t kValueData = 8;

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Field(const Bytes& file, std::uint32_t cell, std::size_t field) {
    const std::size_t at = kBaseBlock + cell + 4 + field;
    return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | static_cast<std::uint32_t>(file[at + 3]) << 24;
}

void SetRaw(Bytes& file, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void SetField(Bytes& file, std::uint32_t cell, std::size_t field, std::uint32_t value) {
    SetRaw(file, kBaseBlock + cell + 4 + field, value);
}

std::string Signature(const Bytes& file, std::uint32_t cell) {
    return std::string(file.begin() + static_cast<std::ptrdiff_t>(kBaseBlock + cell + 4),
                       file.begin() + static_cast<std::ptrdiff_t>(kBaseBlock + cell + 6));
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
    return bytes;
}

RegfStatus Open(const RegfHive& hive, std::u16string_view path, RegfHive::Key& key) {
    key = hive.Root();
    while (!path.empty()) {
        const std::size_t separator = path.find(u'\\');
        const RegfStatus status = hive.FindSubkey(key, path.substr(0, separator), key);
        if (status != RegfStatus::Ok) return status;
        path = separator == std::u16string_view::npos ? std::u16string_view() : path.substr(separator + 1);
    }
    return RegfStatus::Ok;
}

RegfHive::Key MustOpen(const RegfHive& hive, std::u16string_view path) {
    RegfHive::Key key = 0;
    EXPECT_EQ(Open(hive, path, key), RegfStatus::Ok);
    return key;
}

std::vector<std::u16string> SubkeyNames(const RegfHive& hive, RegfHive::Key key) {
    std::vector<RegfHive::Key> subkeys;
    EXPECT_EQ(hive.ListSubkeys(key, subkeys), RegfStatus::Ok);
    std::vector<std::u16string> names;
    for (const RegfHive::Key subkey : subkeys) {
        std::u16string name;
        EXPECT_EQ(hive.KeyName(subkey, name), RegfStatus::Ok);
        names.push_back(name);
    }
    return names;
}

RegfHive Loaded(Bytes file) {
    RegfHive hive;
    EXPECT_EQ(hive.Load(std::move(file)), RegfLoadResult::Ok);
    return hive;
}

struct ValueCase {
    std::u16string Name;
    std::uint32_t Type;
    Bytes Data;
};

std::vector<ValueCase> EveryValueKind() {
    return {
        {u"", kRegfTypeSz, RegfStringData(u"default")},
        {u"Sz", kRegfTypeSz, RegfStringData(u"text")},
        {u"Expand", kRegfTypeExpandSz, RegfStringData(u"%SystemRoot%\\inf")},
        {u"Multi", kRegfTypeMultiSz, RegfMultiStringData({u"a", u"bc"})},
        {u"Dword", kRegfTypeDword, RegfDwordData(0x01020304)},
        {u"Qword", kRegfTypeQword, RegfQwordData(0x0102030405060708)},
        {u"Empty", kRegfTypeBinary, {}},
        {u"One", kRegfTypeBinary, Pattern(1, 1)},
        {u"Four", kRegfTypeBinary, Pattern(4, 2)},
        {u"Five", kRegfTypeBinary, Pattern(5, 3)},
        {u"OneCell", kRegfTypeBinary, Pattern(kRegfBigDataSegmentBytes, 4)},
        {u"TwoSegments", kRegfTypeBinary, Pattern(kRegfBigDataSegmentBytes + 1, 5)},
        {u"ThreeFull", kRegfTypeBinary, Pattern(3 * kRegfBigDataSegmentBytes, 6)},
        {u"Large", kRegfTypeBinary, Pattern(100000, 7)},
        {u"None", 0, Pattern(2, 8)},
        {u"Unknown type", 0x12345, Pattern(9, 9)},
        {u"Gr\u00fc\u00dfe", kRegfTypeSz, RegfStringData(u"Latin-1 name")},
        {u"\u0418\u043c\u044f", kRegfTypeDword, RegfDwordData(7)},
        {std::u16string(kRegfMaxValueNameChars, u'n'), kRegfTypeDword, RegfDwordData(8)},
    };
}

TEST(RegfReader, RoundTripsEveryValueKindInEveryVersion) {
    for (std::uint32_t minor = 3; minor <= 6; ++minor) {
        SCOPED_TRACE(minor);
        RegfWriter writer;
        writer.SetMinorVersion(minor);
        const std::vector<ValueCase> cases = EveryValueKind();
        for (const ValueCase& value : cases) writer.SetValue(u"Values", value.Name, value.Type, value.Data);
        RegfLayout layout;
        const Bytes file = writer.Serialize(&layout);
        const RegfHive hive = Loaded(file);
        const RegfHive::Key key = MustOpen(hive, u"Values");

        for (std::uint32_t index = 0; index < cases.size(); ++index) {
            const ValueCase& expected = cases[index];
            SCOPED_TRACE(index);
            std::u16string name;
            RegfValue value;
            ASSERT_EQ(hive.EnumValue(key, index, name, value), RegfStatus::Ok);
            EXPECT_EQ(name, expected.Name);
            EXPECT_EQ(value.Type, expected.Type);
            EXPECT_EQ(value.Data, expected.Data);
            RegfValue found;
            ASSERT_EQ(hive.FindValue(key, expected.Name, found), RegfStatus::Ok);
            EXPECT_EQ(found.Data, expected.Data);
        }
        std::u16string name;
        RegfValue value;
        EXPECT_EQ(hive.EnumValue(key, static_cast<std::uint32_t>(cases.size()), name, value), RegfStatus::NoMoreItems);
        EXPECT_EQ(hive.FindValue(key, u"Missing", value), RegfStatus::NotFound);

        // Case-insensitive names, beyond ASCII too.
        EXPECT_EQ(hive.FindValue(key, u"GR\u00dc\u00dfE", value), RegfStatus::Ok);
        EXPECT_EQ(hive.FindValue(key, u"\u0438\u041c\u042f", value), RegfStatus::Ok);
        EXPECT_EQ(value.Data, RegfDwordData(7));

        // Long values: big-data cells from version 4 on, one cell before.
        const std::uint32_t large = layout.Values.at({u"Values", u"Large"});
        EXPECT_EQ(Signature(file, Field(file, large, kValueData)) == "db", minor > 3);
    }
}

TEST(RegfReader, ListsSubkeysOfEveryListFormInNameOrder) {
    const std::vector<std::u16string> unsorted = {u"delta", u"Alpha", u"\u00e4rger", u"charlie", u"Bravo", u"\u044f"};
    std::vector<std::u16string> sorted = unsorted;
    std::sort(sorted.begin(), sorted.end(),
              [](const std::u16string& a, const std::u16string& b) { return RegfCompareNames(a, b) < 0; });
    const struct {
        RegfListForm Form;
        const char* Signature5;
        const char* Signature3;
    } forms[] = {{RegfListForm::Lh, "lh", "lf"},
                 {RegfListForm::Lf, "lf", "lf"},
                 {RegfListForm::Li, "li", "li"},
                 {RegfListForm::Ri, "ri", "ri"}};
    for (const std::uint32_t minor : {3u, 5u}) {
        for (const auto& form : forms) {
            SCOPED_TRACE(std::string(form.Signature5) + " minor " + std::to_string(minor));
            RegfWriter writer;
            writer.SetMinorVersion(minor);
            writer.SetSubkeyListForm(u"Parent", form.Form);
            for (const std::u16string& name : unsorted) writer.AddKey(u"Parent\\" + name);
            RegfLayout layout;
            const Bytes file = writer.Serialize(&layout);
            EXPECT_EQ(Signature(file, Field(file, layout.Keys.at(u"Parent"), kNodeSubkeyList)),
                      minor >= 5 ? form.Signature5 : form.Signature3);

            const RegfHive hive = Loaded(file);
            const RegfHive::Key parent = MustOpen(hive, u"Parent");
            EXPECT_EQ(SubkeyNames(hive, parent), sorted);
            for (const std::u16string& name : unsorted) {
                std::u16string upper;
                for (const char16_t c : name) upper += RegfUpcase(c);
                RegfHive::Key found = 0;
                EXPECT_EQ(hive.FindSubkey(parent, upper, found), RegfStatus::Ok);
                EXPECT_EQ(found, layout.Keys.at(u"Parent\\" + name));
            }
            RegfHive::Key missing = 0;
            EXPECT_EQ(hive.FindSubkey(parent, u"echo", missing), RegfStatus::NotFound);
        }
    }

    // Lists longer than one leaf become index lists of leaves.
    RegfWriter writer;
    for (int i = 0; i < 2500; ++i)
        writer.AddKey(u"Many\\K" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                      std::u16string(1, static_cast<char16_t>(u'a' + i / 26 % 26)) +
                      std::u16string(1, static_cast<char16_t>(u'a' + i / 676)));
    RegfLayout layout;
    const Bytes file = writer.Serialize(&layout);
    EXPECT_EQ(Signature(file, Field(file, layout.Keys.at(u"Many"), kNodeSubkeyList)), "ri");
    const RegfHive hive = Loaded(file);
    const std::vector<std::u16string> names = SubkeyNames(hive, MustOpen(hive, u"Many"));
    ASSERT_EQ(names.size(), 2500u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
        return RegfCompareNames(a, b) < 0;
    }));
    RegfHive::Key key = 0;
    EXPECT_EQ(Open(hive, u"many\\kzzd", key), RegfStatus::NotFound);
    EXPECT_EQ(Open(hive, u"many\\kzmc", key), RegfStatus::Ok);
}

TEST(RegfReader, FoldsCaseAsTheRegistryDoes) {
    EXPECT_EQ(RegfUpcase(u'a'), u'A');
    EXPECT_EQ(RegfUpcase(u'{'), u'{');
    EXPECT_EQ(RegfUpcase(u'\u00e4'), u'\u00c4');
    EXPECT_EQ(RegfUpcase(u'\u00df'), u'\u00df');  // ß has no one-character upper case
    EXPECT_EQ(RegfUpcase(u'\u00f7'), u'\u00f7');  // ÷ is no letter
    EXPECT_EQ(RegfUpcase(u'\u00ff'), u'\u0178');
    EXPECT_EQ(RegfUpcase(u'\u0101'), u'\u0100');
    EXPECT_EQ(RegfUpcase(u'\u017e'), u'\u017d');
    EXPECT_EQ(RegfUpcase(u'\u03c9'), u'\u03a9');
    EXPECT_EQ(RegfUpcase(u'\u03c2'), u'\u03a3');
    EXPECT_EQ(RegfUpcase(u'\u044f'), u'\u042f');
    EXPECT_EQ(RegfUpcase(u'\u0451'), u'\u0401');
    EXPECT_EQ(RegfUpcase(u'\u0461'), u'\u0460');
    EXPECT_EQ(RegfUpcase(u'\uff41'), u'\uff21');
    EXPECT_LT(RegfCompareNames(u"abc", u"ABCD"), 0);
    EXPECT_EQ(RegfCompareNames(u"\u00e4bc", u"\u00c4BC"), 0);
    EXPECT_GT(RegfCompareNames(u"_", u"Z"), 0);  // upper-cased, "_" sorts after letters

    // The lh hash of a name beyond ASCII: h = 37 h + upper-cased code unit.
    RegfWriter writer;
    writer.AddKey(u"abcd_\u00e4\u00f6\u00fc\u00df");
    RegfLayout layout;
    const Bytes file = writer.Serialize(&layout);
    const std::uint32_t list = Field(file, layout.Keys.at(u""), kNodeSubkeyList);
    EXPECT_EQ(Field(file, list, 8), 0xCD87D55Eu);
}

TEST(RegfReader, RefusesFilesThatAreNoUsableHive) {
    RegfWriter writer;
    writer.SetValue(u"Key", u"Value", kRegfTypeDword, RegfDwordData(1));
    const Bytes good = writer.Serialize();
    RegfHive hive;
    ASSERT_EQ(hive.Load(good), RegfLoadResult::Ok);

    auto loadWith = [&](std::size_t offset, std::uint32_t value) {
        Bytes file = good;
        SetRaw(file, offset, value);
        return hive.Load(std::move(file));
    };
    EXPECT_EQ(hive.Load({}), RegfLoadResult::NotAHive);
    EXPECT_EQ(hive.Load({'r', 'e', 'g'}), RegfLoadResult::NotAHive);
    EXPECT_EQ(hive.Load({'r', 'e', 'g', 'f'}), RegfLoadResult::Corrupt);
    EXPECT_EQ(hive.Load(Bytes(good.begin(), good.begin() + kBaseBlock)), RegfLoadResult::Corrupt);
    EXPECT_EQ(loadWith(0x00, 0x66676572 ^ 0x20), RegfLoadResult::NotAHive);
    EXPECT_EQ(loadWith(0x14, 2), RegfLoadResult::UnsupportedFormat);  // major version
    EXPECT_EQ(loadWith(0x18, 2), RegfLoadResult::UnsupportedFormat);  // minor version
    EXPECT_EQ(loadWith(0x18, 7), RegfLoadResult::UnsupportedFormat);
    EXPECT_EQ(loadWith(0x1C, 1), RegfLoadResult::UnsupportedFormat);  // a transaction log
    EXPECT_EQ(loadWith(0x20, 0), RegfLoadResult::UnsupportedFormat);  // file format
    EXPECT_EQ(loadWith(0x28, 0), RegfLoadResult::Corrupt);            // bins size
    EXPECT_EQ(loadWith(0x28, 4095), RegfLoadResult::Corrupt);
    EXPECT_EQ(loadWith(0x24, 0x21), RegfLoadResult::Corrupt);                   // root inside a cell
    EXPECT_EQ(loadWith(0x24, 0xFFFFFFF8), RegfLoadResult::Corrupt);             // root beyond the bins
    EXPECT_EQ(loadWith(kBaseBlock, 0x6E696268 ^ 1), RegfLoadResult::Corrupt);   // "hbin"
    EXPECT_EQ(loadWith(kBaseBlock + 4, 4096), RegfLoadResult::Corrupt);         // bin offset
    EXPECT_EQ(loadWith(kBaseBlock + 8, 4097), RegfLoadResult::Corrupt);         // bin size
    EXPECT_EQ(loadWith(kBaseBlock + 32, 0x80000000), RegfLoadResult::Corrupt);  // root cell size INT32_MIN
    EXPECT_EQ(loadWith(kBaseBlock + 32, 0xFFFF0000), RegfLoadResult::Corrupt);  // root cell past its bin

    // A wrong checksum or unequal sequence numbers (a dirty hive) are still read.
    EXPECT_EQ(loadWith(0x1FC, 0x12345678), RegfLoadResult::Ok);
    EXPECT_EQ(loadWith(0x04, 9), RegfLoadResult::Ok);
    // A header claiming more bins than the file holds reads what is there.
    EXPECT_EQ(loadWith(0x28, 0x100000), RegfLoadResult::Ok);
    RegfValue value;
    EXPECT_EQ(hive.FindValue(MustOpen(hive, u"Key"), u"Value", value), RegfStatus::Ok);
}

// Walks everything readable; whatever reads must equal the intact hive's data.
void ExpectOnlyIntactData(const RegfHive& damaged, const RegfHive& intact, RegfHive::Key damagedKey,
                          RegfHive::Key intactKey, int& readValues) {
    for (std::uint32_t index = 0; index < 64; ++index) {
        std::u16string name;
        RegfValue value;
        const RegfStatus status = damaged.EnumValue(damagedKey, index, name, value);
        if (status == RegfStatus::NoMoreItems) break;
        if (status != RegfStatus::Ok) continue;
        RegfValue original;
        ASSERT_EQ(intact.FindValue(intactKey, name, original), RegfStatus::Ok);
        EXPECT_EQ(value.Type, original.Type);
        EXPECT_EQ(value.Data, original.Data);
        ++readValues;
    }
    std::vector<RegfHive::Key> subkeys;
    if (damaged.ListSubkeys(damagedKey, subkeys) != RegfStatus::Ok) return;
    for (const RegfHive::Key subkey : subkeys) {
        std::u16string name;
        RegfHive::Key original = 0;
        ASSERT_EQ(damaged.KeyName(subkey, name), RegfStatus::Ok);
        ASSERT_EQ(intact.FindSubkey(intactKey, name, original), RegfStatus::Ok);
        ExpectOnlyIntactData(damaged, intact, subkey, original, readValues);
    }
}

TEST(RegfReader, TruncatedHivesLoseDataButNeverChangeIt) {
    RegfWriter writer;
    for (const ValueCase& value : EveryValueKind()) writer.SetValue(u"A", value.Name, value.Type, value.Data);
    writer.SetSubkeyListForm(u"B", RegfListForm::Ri);
    for (const char16_t* name : {u"x", u"y", u"z"})
        writer.SetValue(std::u16string(u"B\\") + name, u"v", kRegfTypeSz, RegfStringData(name));
    const Bytes file = writer.Serialize();
    const RegfHive intact = Loaded(file);
    int intactValues = 0;
    ExpectOnlyIntactData(intact, intact, intact.Root(), intact.Root(), intactValues);

    int previousValues = 0;
    for (std::size_t length = 0; length <= file.size(); length += 512) {
        SCOPED_TRACE(length);
        RegfHive damaged;
        if (damaged.Load(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length))) !=
            RegfLoadResult::Ok) {
            EXPECT_LT(length, kBaseBlock + 4096);
            continue;
        }
        int readValues = 0;
        ExpectOnlyIntactData(damaged, intact, damaged.Root(), intact.Root(), readValues);
        EXPECT_GE(readValues, previousValues);  // more of the file never reads less
        previousValues = readValues;
    }
    EXPECT_EQ(previousValues, intactValues);
}

TEST(RegfReader, DamagedBinsAndCellsCutOnlyWhatFollows) {
    RegfWriter writer;
    writer.SetValue(u"", u"V", kRegfTypeDword, RegfDwordData(1));
    writer.SetValue(u"Early", u"Fill", kRegfTypeBinary, Pattern(3700, 1));  // fills the first bin
    writer.SetValue(u"Late", u"V", kRegfTypeDword, RegfDwordData(2));
    RegfLayout layout;
    const Bytes good = writer.Serialize(&layout);
    const std::uint32_t early = layout.Keys.at(u"Early");
    ASSERT_LT(layout.Values.at({u"", u"V"}), early);
    ASSERT_LT(early, 4096u);
    ASSERT_GE(layout.Keys.at(u"Late"), 4096u);

    RegfValue value;
    RegfHive::Key key = 0;
    {
        // A broken second bin header: the rest of the file is absent, the first bin still reads.
        Bytes file = good;
        SetRaw(file, kBaseBlock + 4096, 0);
        const RegfHive hive = Loaded(file);
        EXPECT_EQ(hive.FindValue(hive.Root(), u"V", value), RegfStatus::Ok);
        EXPECT_EQ(Open(hive, u"Late", key), RegfStatus::Corrupt);
    }
    {
        // A cell claiming more than its bin holds: it and the later cells of that bin are gone.
        Bytes file = good;
        SetRaw(file, kBaseBlock + early, static_cast<std::uint32_t>(-0x10000));
        const RegfHive hive = Loaded(file);
        EXPECT_EQ(hive.FindValue(hive.Root(), u"V", value), RegfStatus::Ok);
        EXPECT_EQ(Open(hive, u"Early", key), RegfStatus::Corrupt);
        ASSERT_EQ(hive.FindValue(MustOpen(hive, u"Late"), u"V", value), RegfStatus::Ok);
        EXPECT_EQ(value.Data, RegfDwordData(2));
    }
}

TEST(RegfReader, RefusesLoopsSharedKeysAndRepeatedEntries) {
    RegfWriter writer;
    writer.AddKey(u"A\\Child");
    writer.AddKey(u"D\\x");
    writer.AddKey(u"D\\y");
    writer.AddKey(u"P\\C");
    writer.AddKey(u"Q\\Z");
    writer.SetSubkeyListForm(u"R", RegfListForm::Ri);
    writer.AddKey(u"R\\1");
    writer.AddKey(u"R\\2");
    RegfLayout layout;
    const Bytes good = writer.Serialize(&layout);
    auto firstEntry = [&](const Bytes& file, const std::u16string& key) {
        return Field(file, layout.Keys.at(key), kNodeSubkeyList);  // lh: entry i at 4 + 8 i
    };
    std::vector<RegfHive::Key> subkeys;
    RegfHive::Key key = 0;

    {  // A list that leads back to the root.
        Bytes file = good;
        SetField(file, firstEntry(file, u"A"), 4, layout.Keys.at(u""));
        const RegfHive hive = Loaded(file);
        EXPECT_EQ(hive.ListSubkeys(MustOpen(hive, u"A"), subkeys), RegfStatus::Corrupt);
        EXPECT_EQ(Open(hive, u"A\\ROOT", key), RegfStatus::Corrupt);
    }
    {  // A key listing itself: its parent is another key.
        Bytes file = good;
        SetField(file, firstEntry(file, u"A"), 4, layout.Keys.at(u"A"));
        const RegfHive hive = Loaded(file);
        EXPECT_EQ(hive.ListSubkeys(MustOpen(hive, u"A"), subkeys), RegfStatus::Corrupt);
        EXPECT_EQ(Open(hive, u"A\\A", key), RegfStatus::Corrupt);
    }
    {  // One key listed twice.
        Bytes file = good;
        SetField(file, firstEntry(file, u"D"), 12, layout.Keys.at(u"D\\x"));
        const RegfHive hive = Loaded(file);
        EXPECT_EQ(hive.ListSubkeys(MustOpen(hive, u"D"), subkeys), RegfStatus::Corrupt);
    }
    {  // Two keys whose names differ only in case.
        Bytes file = good;
        file[kBaseBlock + layout.Keys.at(u"D\\y") + 4 + kNodeName] = 'X';
        const RegfHive hive = Loaded(file);
        EXPECT_EQ(hive.ListSubkeys(MustOpen(hive, u"D"), subkeys), RegfStatus::Corrupt);
        EXPECT_EQ(Open(hive, u"D\\x", key), RegfStatus::Ok);  // a lookup takes the first
        EXPECT_EQ(key, layout.Keys.at(u"D\\x"));
    }
    {  // Another key's child: its parent field names someone else.
        Bytes file = good;
        SetField(file, firstEntry(file, u"Q"), 4, layout.Keys.at(u"P\\C"));
        const RegfHive hive = Loaded(file);
        EXPECT_EQ(hive.ListSubkeys(MustOpen(hive, u"Q"), subkeys), RegfStatus::Corrupt);
        EXPECT_EQ(Open(hive, u"Q\\C", key), RegfStatus::Corrupt);
        EXPECT_EQ(Open(hive, u"P\\C", key), RegfStatus::Ok);
    }
    {  // An index list inside an index list.
        Bytes file = good;
        const std::uint32_t index = firstEntry(file, u"R");
        ASSERT_EQ(Signature(file, index), "ri");
        SetField(file, index, 4, index);
        const RegfHive hive = Loaded(file);
        EXPECT_EQ(hive.ListSubkeys(MustOpen(hive, u"R"), subkeys), RegfStatus::Corrupt);
        EXPECT_EQ(Open(hive, u"R\\1", key), RegfStatus::Corrupt);
    }
    {  // Counts: the smaller of the node's count and the list's holds.
        Bytes file = good;
        SetField(file, layout.Keys.at(u"A"), kNodeSubkeyCount, 100);
        SetField(file, layout.Keys.at(u"D"), kNodeSubkeyCount, 1);
        SetField(file, layout.Keys.at(u"P\\C"), kNodeValueCount, 0xFFFFFFFF);  // no value list at all
        const RegfHive hive = Loaded(file);
        EXPECT_EQ(SubkeyNames(hive, MustOpen(hive, u"A")), std::vector<std::u16string>{u"Child"});
        EXPECT_EQ(SubkeyNames(hive, MustOpen(hive, u"D")), std::vector<std::u16string>{u"x"});
        std::u16string name;
        RegfValue value;
        EXPECT_EQ(hive.EnumValue(MustOpen(hive, u"P\\C"), 0, name, value), RegfStatus::Corrupt);
    }
    {  // A key name beyond 255 characters.
        RegfWriter longNames;
        longNames.AddKey(std::u16string(kRegfMaxKeyNameChars, u'k'));
        longNames.AddKey(std::u16string(kRegfMaxKeyNameChars + 1, u'l'));
        const RegfHive hive = Loaded(longNames.Serialize());
        EXPECT_EQ(hive.FindSubkey(hive.Root(), std::u16string(kRegfMaxKeyNameChars, u'K'), key), RegfStatus::Ok);
        EXPECT_EQ(hive.ListSubkeys(hive.Root(), subkeys), RegfStatus::Corrupt);
        EXPECT_EQ(hive.FindSubkey(hive.Root(), u"missing", key), RegfStatus::Corrupt);
    }
}

TEST(RegfReader, DamagedValuesFailAloneAndNeverHideAMatch) {
    RegfWriter writer;
    writer.SetValue(u"K", u"Inline", kRegfTypeDword, RegfDwordData(1));
    writer.SetValue(u"K", u"Cell", kRegfTypeBinary, Pattern(100, 1));
    writer.SetValue(u"K", u"Big", kRegfTypeBinary, Pattern(40000, 2));
    writer.SetValue(u"K", u"Good", kRegfTypeSz, RegfStringData(u"still here"));
    RegfLayout layout;
    const Bytes good = writer.Serialize(&layout);
    const std::uint32_t inlineValue = layout.Values.at({u"K", u"Inline"});
    const std::uint32_t cellValue = layout.Values.at({u"K", u"Cell"});
    const std::uint32_t bigValue = layout.Values.at({u"K", u"Big"});
    const std::uint32_t db = Field(good, bigValue, kValueData);
    ASSERT_EQ(Signature(good, db), "db");

    auto expectDamaged = [&](const Bytes& file, const std::u16string& damaged) {
        const RegfHive hive = Loaded(file);
        const RegfHive::Key key = MustOpen(hive, u"K");
        RegfValue value;
        EXPECT_EQ(hive.FindValue(key, damaged, value), RegfStatus::Corrupt);
        ASSERT_EQ(hive.FindValue(key, u"Good", value), RegfStatus::Ok);
        EXPECT_EQ(value.Data, RegfStringData(u"still here"));
    };
    auto patched = [&](std::uint32_t cell, std::size_t field, std::uint32_t value) {
        Bytes file = good;
        SetField(file, cell, field, value);
        return file;
    };
    expectDamaged(patched(inlineValue, kValueSize, 0x80000005), u"Inline");  // inline above 4 bytes
    expectDamaged(patched(cellValue, kValueSize, 5000), u"Cell");            // more than its cell
    expectDamaged(patched(cellValue, kValueData, Field(good, cellValue, kValueData) + 8), u"Cell");  // mid-cell
    expectDamaged(patched(cellValue, kValueData, 0xFFFFFFFF), u"Cell");
    expectDamaged(patched(bigValue, kValueSize, kRegfMaxValueBytes + 1), u"Big");  // over the cap
    expectDamaged(patched(bigValue, kValueSize, 60000), u"Big");                   // more than the segments hold
    expectDamaged(patched(db, 0, 0x00026264), u"Big");                             // "db" with two segments, not three
    expectDamaged(patched(Field(good, db, 4), 4, Field(good, db, 4)), u"Big");     // a segment is the list
    expectDamaged(patched(cellValue, 0, 0x7FFF6B76), u"Cell");                     // name longer than the cell

    // A damaged record before the match does not hide it; before a miss it makes the miss uncertain.
    Bytes file = patched(inlineValue, 0, 0);  // no "vk" signature any more
    const RegfHive hive = Loaded(file);
    RegfValue value;
    EXPECT_EQ(hive.FindValue(MustOpen(hive, u"K"), u"Cell", value), RegfStatus::Ok);
    EXPECT_EQ(value.Data, Pattern(100, 1));
    EXPECT_EQ(hive.FindValue(MustOpen(hive, u"K"), u"Missing", value), RegfStatus::Corrupt);
    std::u16string name;
    EXPECT_EQ(hive.EnumValue(MustOpen(hive, u"K"), 0, name, value), RegfStatus::Corrupt);
    EXPECT_EQ(hive.EnumValue(MustOpen(hive, u"K"), 1, name, value), RegfStatus::Ok);
}

}  // namespace
