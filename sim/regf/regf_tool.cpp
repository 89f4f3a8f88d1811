// Host tool for cross-checking the regf writer and reader against independent
// tools (hivex) and for seeding the fuzzer. Built natively, never for Windows.
//   regf_tool samples DIR   writes the sample hives into DIR
//   regf_tool expect NAME   prints the sample's tree in the format of "hivexregedit --export"
//   regf_tool export HIVE   reads HIVE with our reader and prints it in that format
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/regf_reader.h"
#include "regf/regf_writer.h"

namespace {

struct Sample {
    const char* Name;
    RegfWriter (*Build)();
};

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
    return bytes;
}

void AddEveryValueType(RegfWriter& writer, std::u16string_view key) {
    writer.SetValue(key, u"", kRegfTypeSz, RegfStringData(u"default text"));
    writer.SetValue(key, u"Sz", kRegfTypeSz, RegfStringData(u"hello"));
    writer.SetValue(key, u"Expand", kRegfTypeExpandSz, RegfStringData(u"%SystemRoot%\\inf"));
    writer.SetValue(key, u"Multi", kRegfTypeMultiSz, RegfMultiStringData({u"first", u"", u"third"}));
    writer.SetValue(key, u"Dword", kRegfTypeDword, RegfDwordData(0xDEADBEEF));
    writer.SetValue(key, u"Qword", kRegfTypeQword, RegfQwordData(0x1122334455667788));
    writer.SetValue(key, u"Binary5", kRegfTypeBinary, Pattern(5, 1));
    writer.SetValue(key, u"Inline3", kRegfTypeBinary, Pattern(3, 9));
    writer.SetValue(key, u"Empty", kRegfTypeBinary, {});
    writer.SetValue(key, u"Odd type", 0x12345, Pattern(6, 3));
    writer.SetValue(key, u"Quote\"Back\\slash", kRegfTypeSz, RegfStringData(u"q"));
    writer.SetValue(key, u"Gr\u00fc\u00dfe", kRegfTypeSz, RegfStringData(u"Latin-1 name"));
    writer.SetValue(key, u"\u0418\u043c\u044f", kRegfTypeDword, RegfDwordData(1));
}

void AddEveryListForm(RegfWriter& writer) {
    const struct {
        const char16_t* Key;
        RegfListForm Form;
    } lists[] = {{u"Lists\\LhKey", RegfListForm::Lh},
                 {u"Lists\\LfKey", RegfListForm::Lf},
                 {u"Lists\\LiKey", RegfListForm::Li},
                 {u"Lists\\RiKey", RegfListForm::Ri}};
    for (const auto& list : lists) {
        writer.SetSubkeyListForm(list.Key, list.Form);
        for (const char16_t* child :
             {u"delta", u"Alpha", u"charlie", u"Bravo", u"\u00c4rger", u"\u041a\u043b\u044e\u0447"}) {
            writer.SetValue(std::u16string(list.Key) + u"\\" + child, u"Name", kRegfTypeSz, RegfStringData(child));
        }
    }
}

RegfWriter BuildTiny() {
    RegfWriter writer;
    AddEveryValueType(writer, u"");
    AddEveryListForm(writer);
    return writer;
}

// Minor version 3: lf leaves and long values in one cell.
RegfWriter BuildTinyVersion3() {
    RegfWriter writer = BuildTiny();
    writer.SetMinorVersion(3);
    writer.SetValue(u"Long", u"OneCell", kRegfTypeBinary, Pattern(20000, 5));
    return writer;
}

RegfWriter BuildTypes() {
    RegfWriter writer = BuildTiny();
    writer.SetValue(u"Big", u"Exact", kRegfTypeBinary, Pattern(kRegfBigDataSegmentBytes, 2));
    writer.SetValue(u"Big", u"JustOver", kRegfTypeBinary, Pattern(kRegfBigDataSegmentBytes + 1, 3));
    writer.SetValue(u"Big", u"Large", kRegfTypeBinary, Pattern(100000, 4));
    writer.SetValue(u"Big", u"LongText", kRegfTypeSz, RegfStringData(std::u16string(20000, u'x')));
    for (int i = 0; i < 1500; ++i) {
        char16_t name[16];
        for (int digit = 0, n = i; digit < 4; ++digit, n /= 10) name[7 - digit] = static_cast<char16_t>(u'0' + n % 10);
        std::copy_n(u"Item", 4, name);
        writer.AddKey(u"Many\\" + std::u16string(name, 8));
    }
    std::u16string deep = u"Deep";
    for (int level = 1; level <= 40; ++level)
        deep += u"\\L" + std::u16string(1, static_cast<char16_t>(u'A' + level % 26));
    writer.SetValue(deep, u"Bottom", kRegfTypeDword, RegfDwordData(40));
    return writer;
}

RegfWriter BuildSystem() {
    RegfWriter writer;
    writer.SetValue(u"Select", u"Current", kRegfTypeDword, RegfDwordData(1));
    writer.SetValue(u"Select", u"Default", kRegfTypeDword, RegfDwordData(1));
    writer.SetValue(u"Select", u"LastKnownGood", kRegfTypeDword, RegfDwordData(2));
    writer.SetValue(u"ControlSet001\\Control\\ProductOptions", u"ProductType", kRegfTypeSz, RegfStringData(u"WinNT"));
    const std::u16string net = u"ControlSet001\\Control\\Class\\{4d36e972-e325-11ce-bfc1-08002be10318}";
    const std::u16string display = u"ControlSet001\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}";
    writer.SetValue(net, u"Class", kRegfTypeSz, RegfStringData(u"Net"));
    writer.SetValue(net + u"\\0000", u"InfPath", kRegfTypeSz, RegfStringData(u"oem3.inf"));
    writer.SetValue(net + u"\\0001", u"InfPath", kRegfTypeSz, RegfStringData(u"netrtwlane.inf"));
    writer.AddKey(net + u"\\Properties");
    writer.SetValue(display + u"\\0000", u"InfPath", kRegfTypeExpandSz, RegfStringData(u"oem12.inf"));
    writer.SetValue(display + u"\\0000", u"DriverVersion", kRegfTypeSz, RegfStringData(u"31.0.101.4502"));
    writer.SetValue(u"ControlSet002\\Control\\ProductOptions", u"ProductType", kRegfTypeSz, RegfStringData(u"WinNT"));
    return writer;
}

RegfWriter BuildSoftware() {
    RegfWriter writer;
    const std::u16string key = u"Microsoft\\Windows NT\\CurrentVersion";
    writer.SetValue(key, u"CurrentMajorVersionNumber", kRegfTypeDword, RegfDwordData(10));
    writer.SetValue(key, u"CurrentMinorVersionNumber", kRegfTypeDword, RegfDwordData(0));
    writer.SetValue(key, u"CurrentBuildNumber", kRegfTypeSz, RegfStringData(u"19045"));
    writer.SetValue(key, u"ProductName", kRegfTypeSz, RegfStringData(u"Windows 10 Pro"));
    writer.SetValue(key, u"InstallDate", kRegfTypeDword, RegfDwordData(1700000000));
    return writer;
}

constexpr Sample kSamples[] = {{"tiny", BuildTiny},
                               {"tiny-v3", BuildTinyVersion3},
                               {"types", BuildTypes},
                               {"system", BuildSystem},
                               {"software", BuildSoftware}};

// Text as hivexregedit prints it (Perl without an output layer): Latin-1 bytes when
// every character fits, UTF-8 otherwise.
std::string HivexText(std::u16string_view text) {
    std::string out;
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; })) {
        for (const char16_t c : text) out += static_cast<char>(c);
        return out;
    }
    for (const char16_t unit : text) {
        const std::uint32_t c = unit;  // the samples hold no surrogate pairs
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

constexpr char kExportHeader[] = "Windows Registry Editor Version 5.00\n\n";

struct ExportValue {
    std::u16string Name;
    std::uint32_t Type = 0;
    std::vector<std::uint8_t> Data;
};

// One key in the regedit format hivexregedit writes: values sorted by name,
// DWORDs of four bytes as "dword:", everything else as hex bytes.
void PrintKey(const std::u16string& path, std::vector<ExportValue> values) {
    std::sort(values.begin(), values.end(), [](const ExportValue& a, const ExportValue& b) { return a.Name < b.Name; });
    std::cout << '[' << HivexText(path) << "]\n";
    for (const ExportValue& value : values) {
        if (value.Name.empty()) {
            std::cout << "@=";
        } else {
            std::cout << '"';
            for (const char c : HivexText(value.Name)) std::cout << (c == '"' || c == '\\' ? "\\" : "") << c;
            std::cout << "\"=";
        }
        char buffer[32];
        if (value.Type == kRegfTypeDword && value.Data.size() == 4) {
            const std::uint32_t dword = value.Data[0] | value.Data[1] << 8 | value.Data[2] << 16 |
                                        static_cast<std::uint32_t>(value.Data[3]) << 24;
            std::snprintf(buffer, sizeof(buffer), "dword:%08x", dword);
            std::cout << buffer << '\n';
            continue;
        }
        std::snprintf(buffer, sizeof(buffer), "hex(%x):", value.Type);
        std::cout << buffer;
        for (std::size_t i = 0; i < value.Data.size(); ++i) {
            std::snprintf(buffer, sizeof(buffer), i == 0 ? "%02x" : ",%02x", value.Data[i]);
            std::cout << buffer;
        }
        std::cout << '\n';
    }
    std::cout << '\n';
}

std::u16string ChildPath(const std::u16string& parent, const std::u16string& name) {
    return parent == u"\\" ? parent + name : parent + u"\\" + name;
}

void PrintModel(const RegfWriter::Key& key, const std::u16string& path) {
    std::vector<ExportValue> values;
    for (const RegfWriter::Value& value : key.Values) values.push_back({value.Name, value.Type, value.Data});
    PrintKey(path, std::move(values));
    std::vector<std::pair<std::u16string, const RegfWriter::Key*>> children;
    for (const RegfWriter::Key& child : key.Subkeys) children.emplace_back(child.Name, &child);
    std::sort(children.begin(), children.end());
    for (const auto& [name, child] : children) PrintModel(*child, ChildPath(path, name));
}

bool PrintHive(const RegfHive& hive, RegfHive::Key key, const std::u16string& path, std::uint32_t depth) {
    std::vector<ExportValue> values;
    for (std::uint32_t index = 0;; ++index) {
        std::u16string name;
        RegfValue value;
        const RegfStatus status = hive.EnumValue(key, index, name, value);
        if (status == RegfStatus::NoMoreItems) break;
        if (status != RegfStatus::Ok) {
            std::cerr << "value " << index << " of " << HivexText(path) << " is damaged\n";
            return false;
        }
        values.push_back({name, value.Type, std::move(value.Data)});
    }
    PrintKey(path, std::move(values));

    std::vector<RegfHive::Key> subkeys;
    if (hive.ListSubkeys(key, subkeys) != RegfStatus::Ok || (!subkeys.empty() && depth >= kRegfMaxKeyDepth)) {
        std::cerr << "subkeys of " << HivexText(path) << " are damaged\n";
        return false;
    }
    std::vector<std::pair<std::u16string, RegfHive::Key>> children;
    for (const RegfHive::Key subkey : subkeys) {
        std::u16string name;
        if (hive.KeyName(subkey, name) != RegfStatus::Ok) return false;
        children.emplace_back(name, subkey);
    }
    std::sort(children.begin(), children.end());
    for (const auto& [name, child] : children) {
        if (!PrintHive(hive, child, ChildPath(path, name), depth + 1)) return false;
    }
    return true;
}

const Sample* FindSample(const std::string& name) {
    for (const Sample& sample : kSamples) {
        if (name == sample.Name) return &sample;
    }
    return nullptr;
}

int WriteSamples(const std::string& folder) {
    for (const Sample& sample : kSamples) {
        const std::vector<std::uint8_t> bytes = sample.Build().Serialize();
        std::ofstream file(folder + "/" + sample.Name + ".hiv", std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::cerr << "cannot write " << sample.Name << " into " << folder << '\n';
            return 1;
        }
    }
    return 0;
}

int ExportHive(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    RegfHive hive;
    if (!file.good() && !file.eof()) {
        std::cerr << "cannot read " << path << '\n';
        return 1;
    }
    if (hive.Load(std::move(bytes)) != RegfLoadResult::Ok) {
        std::cerr << path << " is no usable hive\n";
        return 1;
    }
    std::cout << kExportHeader;
    return PrintHive(hive, hive.Root(), u"\\", 0) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc == 3 ? argv[1] : "";
    if (command == "samples") return WriteSamples(argv[2]);
    if (command == "export") return ExportHive(argv[2]);
    if (command == "expect") {
        const Sample* sample = FindSample(argv[2]);
        if (!sample) {
            std::cerr << "no sample named " << argv[2] << '\n';
            return 2;
        }
        std::cout << kExportHeader;
        PrintModel(sample->Build().Root(), u"\\");
        return 0;
    }
    std::cerr << "usage: regf_tool samples DIR | expect NAME | export HIVE\n";
    return 2;
}
