#include "platform/offline_hive.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/regf_reader.h"
#include "regf/regf_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

bool RunningOnWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

class TempFile {
public:
    explicit TempFile(const Bytes& bytes) {
        wchar_t folder[MAX_PATH];
        wchar_t path[MAX_PATH];
        EXPECT_NE(::GetTempPathW(MAX_PATH, folder), 0u);
        EXPECT_NE(::GetTempFileNameW(folder, L"qbh", 0, path), 0u);
        path_ = path;
        FileHandle file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        EXPECT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() { ::DeleteFileW(path_.c_str()); }
    [[nodiscard]] const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

// The same keys and values, once in the platform's registry (under HKEY_CURRENT_USER)
// and once in a regf file loaded by OfflineHive.
class TwinHives {
public:
    TwinHives() {
        name_ = L"Software\\QuillbayTests\\OfflineHive" + std::to_wstring(::GetCurrentProcessId());
        RegKey key;
        EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                    nullptr),
                  ERROR_SUCCESS);
    }
    TwinHives(const TwinHives&) = delete;
    TwinHives& operator=(const TwinHives&) = delete;
    ~TwinHives() { ::RegDeleteTreeW(HKEY_CURRENT_USER, name_.c_str()); }

    void Set(std::u16string_view path, std::u16string_view name, std::uint32_t type, const Bytes& data) {
        writer_.SetValue(path, name, type, data);
        RegKey key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (name_ + L"\\" + Wide(path)).c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(
            ::RegSetValueExW(key.get(), Wide(name).c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
    }

    [[nodiscard]] OfflineKey OpenPlatform() const {
        RegKey key;
        EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, name_.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
        return OfflineKey(std::move(key));
    }
    // Loads the written hive into hive, which must outlive the file's use.
    void LoadRegf(OfflineHive& hive) {
        file_ = std::make_unique<TempFile>(writer_.Serialize());
        HiveLoadFailure failure;
        ASSERT_TRUE(hive.Load(file_->Path(), false, failure)) << failure.Code;
    }

private:
    std::wstring name_;
    RegfWriter writer_;
    std::unique_ptr<TempFile> file_;
};

Bytes Utf16Bytes(std::u16string_view text) {
    Bytes bytes;
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

struct Answer {
    LSTATUS Status = 0;
    DWORD Type = 0xEEEE;
    DWORD Size = 0xEEEE;
    Bytes Buffer;
};

constexpr DWORD kNoBuffer = 0xFFFFFFFF;

Answer Ask(const OfflineKey& key, std::wstring_view name, DWORD flags, DWORD bufferSize) {
    Answer answer;
    if (bufferSize == kNoBuffer) {
        answer.Status = key.GetValue(name, flags, &answer.Type, nullptr, &answer.Size);
        return answer;
    }
    answer.Buffer.assign(bufferSize, 0xCC);
    answer.Size = bufferSize;
    answer.Status = key.GetValue(name, flags, &answer.Type, answer.Buffer.data(), &answer.Size);
    return answer;
}

TEST(OfflineHive, RegfBackendAnswersAsThePlatformRegistry) {
    TwinHives twins;
    twins.Set(u"", u"", kRegfTypeSz, RegfStringData(u"default"));
    twins.Set(u"", u"Sz", kRegfTypeSz, RegfStringData(u"some text"));
    twins.Set(u"", u"Expand", kRegfTypeExpandSz, RegfStringData(u"%TEMP%\\inf"));
    twins.Set(u"", u"Multi", kRegfTypeMultiSz, RegfMultiStringData({u"one", u"two"}));
    twins.Set(u"", u"Dword", kRegfTypeDword, RegfDwordData(0x11223344));
    twins.Set(u"", u"Qword", kRegfTypeQword, RegfQwordData(0x1122334455667788));
    twins.Set(u"", u"Bin4", kRegfTypeBinary, {1, 2, 3, 4});
    twins.Set(u"", u"Bin2", kRegfTypeBinary, {1, 2});
    twins.Set(u"", u"Bin8", kRegfTypeBinary, {1, 2, 3, 4, 5, 6, 7, 8});
    twins.Set(u"", u"None", 0, {9, 9, 9});
    twins.Set(u"", u"Big", kRegfTypeBinary, Bytes(20000, 0x5A));
    for (const char16_t* key : {u"A\\beta", u"A\\Alpha", u"A\\gamma\\deeper", u"A\\Delta"}) {
        twins.Set(key, u"Name", kRegfTypeSz, RegfStringData(key));
    }
    const OfflineKey platform = twins.OpenPlatform();
    OfflineHive hive;
    twins.LoadRegf(hive);
    const OfflineKey& regf = hive.Root();

    const DWORD flagSets[] = {
        RRF_RT_REG_SZ,
        RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
        RRF_RT_REG_EXPAND_SZ,  // expanding types cannot be asked for unexpanded without RRF_NOEXPAND
        RRF_RT_ANY,
        RRF_RT_ANY | RRF_NOEXPAND,
        RRF_RT_REG_DWORD,
        RRF_RT_DWORD,
        RRF_RT_QWORD,
        RRF_RT_REG_QWORD,
        RRF_RT_REG_BINARY,
        RRF_RT_REG_MULTI_SZ,
        RRF_RT_REG_NONE,
        0,
        RRF_RT_REG_SZ | RRF_ZEROONFAILURE,
        RRF_RT_DWORD | RRF_ZEROONFAILURE,
    };
    const wchar_t* names[] = {L"",     L"Sz",   L"Expand", L"Multi", L"Dword", L"Qword",  L"Bin4",
                              L"Bin2", L"Bin8", L"None",   L"Big",   L"sz",    L"Missing"};
    int compared = 0;
    for (const wchar_t* name : names) {
        for (const DWORD flags : flagSets) {
            for (const DWORD bufferSize : {kNoBuffer, DWORD{2}, DWORD{8}, DWORD{64}, DWORD{30000}}) {
                SCOPED_TRACE(testing::Message() << "value '" << name << "' flags 0x" << std::hex << flags << " buffer "
                                                << std::dec << bufferSize);
                const Answer expected = Ask(platform, name, flags, bufferSize);
                const Answer actual = Ask(regf, name, flags, bufferSize);
                ++compared;
                ASSERT_EQ(actual.Status, expected.Status);
                if (expected.Status == ERROR_SUCCESS || expected.Status == ERROR_MORE_DATA ||
                    expected.Status == ERROR_UNSUPPORTED_TYPE || expected.Status == ERROR_DATATYPE_MISMATCH) {
                    EXPECT_EQ(actual.Type, expected.Type);
                    EXPECT_EQ(actual.Size, expected.Size);
                }
                if (expected.Status == ERROR_SUCCESS && bufferSize != kNoBuffer) {
                    EXPECT_EQ(Bytes(actual.Buffer.begin(), actual.Buffer.begin() + actual.Size),
                              Bytes(expected.Buffer.begin(), expected.Buffer.begin() + expected.Size));
                }
                if (expected.Status != ERROR_SUCCESS && (flags & RRF_ZEROONFAILURE)) {
                    EXPECT_EQ(actual.Buffer, expected.Buffer);
                }
            }
        }
    }
    EXPECT_EQ(compared, 13 * 15 * 5);

    // Paths as RegOpenKeyExW takes them.
    for (const wchar_t* path : {L"A", L"a\\BETA", L"A\\", L"A\\\\beta", L"", L"\\A", L"Z", L"A\\Z\\x",
                                L"A\\gamma\\deeper", L"A\\gamma\\deeper\\none"}) {
        SCOPED_TRACE(testing::Message() << "path '" << path << "'");
        OfflineKey platformKey;
        OfflineKey regfKey;
        const LSTATUS expected = platform.OpenSubkey(path, platformKey);
        EXPECT_EQ(regf.OpenSubkey(path, regfKey), expected);
        EXPECT_EQ(static_cast<bool>(regfKey), expected == ERROR_SUCCESS);
    }

    // Enumeration: the same names in the same order, then ERROR_NO_MORE_ITEMS.
    OfflineKey platformA;
    OfflineKey regfA;
    ASSERT_EQ(platform.OpenSubkey(L"A", platformA), ERROR_SUCCESS);
    ASSERT_EQ(regf.OpenSubkey(L"A", regfA), ERROR_SUCCESS);
    for (DWORD index = 0;; ++index) {
        std::wstring expected;
        std::wstring actual;
        const LSTATUS status = platformA.EnumSubkey(index, expected);
        ASSERT_EQ(regfA.EnumSubkey(index, actual), status);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            EXPECT_EQ(index, 4u);
            break;
        }
        EXPECT_EQ(actual, expected);
    }
}

TEST(OfflineHive, LoadsHiveFilesWhereThePlatformCannotAndReportsWhy) {
    RegfWriter writer;
    writer.SetValue(u"Select", u"Current", kRegfTypeDword, RegfDwordData(1));
    const TempFile hiveFile(writer.Serialize());
    HiveLoadFailure failure;
    {
        OfflineHive hive;
        ASSERT_TRUE(hive.Load(hiveFile.Path(), false, failure)) << failure.Code;
        // Wine answers RegLoadAppKeyW with a key that fails every use.
        if (RunningOnWine()) {
            EXPECT_EQ(hive.Backend(), OfflineHiveBackend::RegfReader);
        }
        OfflineKey select;
        DWORD current = 0;
        ASSERT_EQ(hive.Root().OpenSubkey(L"Select", select), ERROR_SUCCESS);
        EXPECT_EQ(select.GetDword(L"Current", current), ERROR_SUCCESS);
        EXPECT_EQ(current, 1u);
        select = OfflineKey();
        EXPECT_EQ(hive.Unload(), ERROR_SUCCESS);
        EXPECT_FALSE(hive.Root());
        EXPECT_EQ(hive.Backend(), OfflineHiveBackend::None);
    }

    OfflineHive hive;
    EXPECT_FALSE(hive.Load(hiveFile.Path() + L".missing", true, failure));
    EXPECT_EQ(failure.Code, ERROR_FILE_NOT_FOUND);

    const TempFile textFile(Bytes{'n', 'o', ' ', 'h', 'i', 'v', 'e'});
    EXPECT_FALSE(hive.Load(textFile.Path(), true, failure));
    EXPECT_EQ(failure.Code, ERROR_NOT_REGISTRY_FILE);

    if (RunningOnWine()) {
        Bytes broken = writer.Serialize();
        broken[4096] = 'X';  // no "hbin": no bins at all
        const TempFile brokenFile(broken);
        EXPECT_FALSE(hive.Load(brokenFile.Path(), false, failure));
        EXPECT_EQ(failure.Step, HiveLoadStep::Parse);
        EXPECT_EQ(failure.Code, ERROR_BADDB);

        // A hive that someone holds open for writing is not read half-written.
        FileHandle writerHandle(::CreateFileW(hiveFile.Path().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writerHandle);
        EXPECT_FALSE(hive.Load(hiveFile.Path(), false, failure));
        EXPECT_EQ(failure.Step, HiveLoadStep::ReadFile);
        EXPECT_EQ(failure.Code, ERROR_SHARING_VIOLATION);
    }
}

TEST(OfflineHive, StringAndDwordReadsAgreeOnBothBackends) {
    TwinHives twins;
    twins.Set(u"", u"Build", kRegfTypeSz, RegfStringData(u"19045"));
    twins.Set(u"", u"Long", kRegfTypeSz, RegfStringData(std::u16string(300, u'x')));
    twins.Set(u"", u"NoTerminator", kRegfTypeSz, Utf16Bytes(u"abc"));
    twins.Set(u"", u"OddSize", kRegfTypeSz, Bytes{'a', 0, 'b', 0, 'c', 0, 0});
    twins.Set(u"", u"Junk", kRegfTypeSz, Utf16Bytes(std::u16string(u"abc\0zz\0", 7)));
    twins.Set(u"", u"Empty", kRegfTypeSz, {});
    twins.Set(u"", u"Expand", kRegfTypeExpandSz, RegfStringData(u"%WINDIR%\\inf"));
    twins.Set(u"", u"Dword", kRegfTypeDword, RegfDwordData(5));
    twins.Set(u"", u"ShortDword", kRegfTypeDword, {5, 0});
    twins.Set(u"", u"LongDword", kRegfTypeDword, RegfQwordData(5));
    twins.Set(u"", u"Binary", kRegfTypeBinary, {5, 0, 0, 0});
    OfflineHive hive;
    twins.LoadRegf(hive);
    const OfflineKey platform = twins.OpenPlatform();

    wchar_t expanded[MAX_PATH];
    ASSERT_NE(::ExpandEnvironmentStringsW(L"%WINDIR%\\inf", expanded, MAX_PATH), 0u);
    for (const OfflineKey* key : {&platform, &hive.Root()}) {
        SCOPED_TRACE(key == &platform ? "platform" : "regf");
        std::wstring text;
        EXPECT_EQ(key->GetString(L"Build", RRF_RT_REG_SZ, 512, text), ERROR_SUCCESS);
        EXPECT_EQ(text, L"19045");
        EXPECT_EQ(key->GetString(L"Long", RRF_RT_REG_SZ, 512, text), ERROR_MORE_DATA);
        EXPECT_EQ(key->GetString(L"Long", RRF_RT_REG_SZ, 1024, text), ERROR_SUCCESS);
        EXPECT_EQ(text, std::wstring(300, L'x'));
        for (const wchar_t* name : {L"NoTerminator", L"OddSize", L"Junk"}) {
            EXPECT_EQ(key->GetString(name, RRF_RT_REG_SZ, 512, text), ERROR_SUCCESS);
            EXPECT_EQ(text, L"abc") << name;
        }
        EXPECT_EQ(key->GetString(L"Empty", RRF_RT_REG_SZ, 512, text), ERROR_SUCCESS);
        EXPECT_EQ(text, L"");
        EXPECT_EQ(key->GetString(L"Expand", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, 512, text),
                  ERROR_SUCCESS);
        EXPECT_EQ(text, L"%WINDIR%\\inf");
        EXPECT_EQ(key->GetString(L"Expand", RRF_RT_REG_SZ, 512, text), ERROR_SUCCESS);
        EXPECT_EQ(text, expanded);
        EXPECT_EQ(key->GetString(L"Dword", RRF_RT_REG_SZ, 512, text), ERROR_UNSUPPORTED_TYPE);
        EXPECT_EQ(key->GetString(L"Dword", RRF_RT_ANY, 512, text), ERROR_UNSUPPORTED_TYPE);
        EXPECT_EQ(key->GetString(L"Missing", RRF_RT_REG_SZ, 512, text), ERROR_FILE_NOT_FOUND);

        DWORD value = 0;
        EXPECT_EQ(key->GetDword(L"Dword", value), ERROR_SUCCESS);
        EXPECT_EQ(value, 5u);
        value = 77;
        EXPECT_EQ(key->GetDword(L"ShortDword", value), ERROR_INVALID_DATA);
        EXPECT_EQ(key->GetDword(L"LongDword", value), ERROR_INVALID_DATA);
        EXPECT_EQ(value, 77u);
        EXPECT_EQ(key->GetDword(L"Binary", value), ERROR_UNSUPPORTED_TYPE);
        EXPECT_EQ(key->GetDword(L"Build", value), ERROR_UNSUPPORTED_TYPE);
        EXPECT_EQ(key->GetDword(L"Missing", value), ERROR_FILE_NOT_FOUND);
    }

    // Stored strings come back terminated, lists with their closing empty string.
    RegfWriter writer;
    writer.SetValue(u"", u"NoTerminator", kRegfTypeSz, Utf16Bytes(u"abc"));
    writer.SetValue(u"", u"OddSize", kRegfTypeExpandSz, Bytes{'a', 0, 'b', 0, 'c'});
    writer.SetValue(u"", u"OpenList", kRegfTypeMultiSz, Utf16Bytes(std::u16string(u"a\0b", 3)));
    writer.SetValue(u"", u"EmptyList", kRegfTypeMultiSz, {});
    const TempFile file(writer.Serialize());
    HiveLoadFailure failure;
    ASSERT_TRUE(hive.Load(file.Path(), false, failure));
    const struct {
        const wchar_t* Name;
        DWORD Flags;
        Bytes Expected;
    } terminated[] = {
        {L"NoTerminator", RRF_RT_REG_SZ, Utf16Bytes(std::u16string(u"abc\0", 4))},
        {L"OddSize", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, Utf16Bytes(std::u16string(u"ab\0", 3))},
        {L"OpenList", RRF_RT_REG_MULTI_SZ, Utf16Bytes(std::u16string(u"a\0b\0\0", 5))},
        {L"EmptyList", RRF_RT_REG_MULTI_SZ, Utf16Bytes(std::u16string(u"\0\0", 2))},
    };
    for (const auto& value : terminated) {
        SCOPED_TRACE(testing::Message() << value.Name);
        const Answer small = Ask(hive.Root(), value.Name, value.Flags, static_cast<DWORD>(value.Expected.size() - 1));
        EXPECT_EQ(small.Status, ERROR_MORE_DATA);
        EXPECT_EQ(small.Size, value.Expected.size());
        const Answer exact = Ask(hive.Root(), value.Name, value.Flags, static_cast<DWORD>(value.Expected.size()));
        EXPECT_EQ(exact.Status, ERROR_SUCCESS);
        EXPECT_EQ(exact.Buffer, value.Expected);
    }
}

// Collects the file names of every InfPath two levels below a class root, the way
// the offline binding walk does, through nothing but OfflineKey.
LSTATUS CollectInfNames(const OfflineKey& classes, std::set<std::wstring>& names) {
    std::wstring className;
    for (DWORD classIndex = 0;; ++classIndex) {
        LSTATUS status = classes.EnumSubkey(classIndex, className);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        OfflineKey classKey;
        if ((status = classes.OpenSubkey(className, classKey)) != ERROR_SUCCESS) return status;
        std::wstring driverName;
        for (DWORD driverIndex = 0;; ++driverIndex) {
            status = classKey.EnumSubkey(driverIndex, driverName);
            if (status == ERROR_NO_MORE_ITEMS) break;
            if (status != ERROR_SUCCESS) return status;
            OfflineKey driverKey;
            if ((status = classKey.OpenSubkey(driverName, driverKey)) != ERROR_SUCCESS) return status;
            std::wstring infPath;
            status =
                driverKey.GetString(L"InfPath", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, 1024, infPath);
            if (status == ERROR_FILE_NOT_FOUND) continue;
            if (status != ERROR_SUCCESS) return status;
            names.insert(infPath.substr(infPath.find_last_of(L"\\/") + 1));
        }
    }
}

TEST(OfflineHive, OneWalkServesBothBackendsAndStopsAtDamage) {
    TwinHives twins;
    const std::u16string classes = u"ControlSet001\\Control\\Class";
    twins.Set(u"Select", u"Current", kRegfTypeDword, RegfDwordData(1));
    twins.Set(classes + u"\\{4d36e972-e325-11ce-bfc1-08002be10318}\\0000", u"InfPath", kRegfTypeSz,
              RegfStringData(u"oem3.inf"));
    twins.Set(classes + u"\\{4d36e972-e325-11ce-bfc1-08002be10318}\\0001", u"InfPath", kRegfTypeExpandSz,
              RegfStringData(u"C:\\Windows\\INF\\oem7.inf"));
    twins.Set(classes + u"\\{4d36e972-e325-11ce-bfc1-08002be10318}\\Properties", u"Security", kRegfTypeBinary, {1});
    twins.Set(classes + u"\\{4d36e968-e325-11ce-bfc1-08002be10318}\\0000", u"InfPath", kRegfTypeSz,
              RegfStringData(u"display.inf"));
    OfflineHive hive;
    twins.LoadRegf(hive);
    const OfflineKey platform = twins.OpenPlatform();

    std::set<std::wstring> fromPlatform;
    std::set<std::wstring> fromRegf;
    OfflineKey platformClasses;
    OfflineKey regfClasses;
    ASSERT_EQ(platform.OpenSubkey(Wide(classes), platformClasses), ERROR_SUCCESS);
    ASSERT_EQ(hive.Root().OpenSubkey(Wide(classes), regfClasses), ERROR_SUCCESS);
    EXPECT_EQ(CollectInfNames(platformClasses, fromPlatform), ERROR_SUCCESS);
    EXPECT_EQ(CollectInfNames(regfClasses, fromRegf), ERROR_SUCCESS);
    EXPECT_EQ(fromRegf, (std::set<std::wstring>{L"display.inf", L"oem3.inf", L"oem7.inf"}));
    EXPECT_EQ(fromRegf, fromPlatform);

    // A class list that leads back to the root ends the walk with an error instead of looping.
    RegfWriter writer;
    writer.AddKey(u"Class\\{guid}\\0000");
    RegfLayout layout;
    Bytes file = writer.Serialize(&layout);
    const std::uint32_t list = [&] {
        const std::size_t at = 4096 + layout.Keys.at(u"Class\\{guid}") + 4 + 28;
        return static_cast<std::uint32_t>(file[at] | file[at + 1] << 8 | file[at + 2] << 16 | file[at + 3] << 24);
    }();
    const std::uint32_t root = layout.Keys.at(u"");
    for (std::size_t i = 0; i < 4; ++i) file[4096 + list + 4 + 4 + i] = static_cast<std::uint8_t>(root >> (8 * i));
    const TempFile looped(file);
    HiveLoadFailure failure;
    ASSERT_TRUE(hive.Load(looped.Path(), false, failure));
    OfflineKey classKey;
    ASSERT_EQ(hive.Root().OpenSubkey(L"Class", classKey), ERROR_SUCCESS);
    std::set<std::wstring> names;
    EXPECT_EQ(CollectInfNames(classKey, names), ERROR_BADDB);

    // Nesting deeper than the registry allows only comes from damage.
    RegfWriter deep;
    std::u16string path = u"L";
    for (std::uint32_t level = 1; level <= kRegfMaxKeyDepth; ++level) path += u"\\L";
    deep.AddKey(path);  // one level more than allowed
    const TempFile deepFile(deep.Serialize());
    ASSERT_TRUE(hive.Load(deepFile.Path(), false, failure));
    const std::wstring allowed = Wide(path.substr(0, path.size() - 2));
    OfflineKey deepest;
    ASSERT_EQ(hive.Root().OpenSubkey(allowed, deepest), ERROR_SUCCESS);
    OfflineKey tooDeep;
    EXPECT_EQ(deepest.OpenSubkey(L"L", tooDeep), ERROR_BADDB);
    EXPECT_EQ(hive.Root().OpenSubkey(Wide(path), tooDeep), ERROR_BADDB);
    std::wstring name;
    EXPECT_EQ(deepest.EnumSubkey(0, name), ERROR_SUCCESS);  // listing is no descent
}

}  // namespace
