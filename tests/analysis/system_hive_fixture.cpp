#include "system_hive_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>

#include "regf/regf_writer.h"
#include "test_support.h"

namespace test {
namespace {

std::u16string Utf16(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

}  // namespace

HiveEntry BareKey(const std::wstring& path) {
    return {path, L"", kBareKey, {}};
}

HiveEntry StringValue(const std::wstring& path, const std::wstring& name, const std::wstring& text, DWORD type) {
    return {path, name, type, RegfStringData(Utf16(text))};
}

HiveEntry DwordValue(const std::wstring& path, const std::wstring& name, DWORD value) {
    return {path, name, REG_DWORD, RegfDwordData(value)};
}

std::vector<HiveEntry> SystemHive(DWORD current, const std::vector<HiveEntry>& classEntries) {
    wchar_t classPath[64];
    std::swprintf(classPath, std::size(classPath), L"ControlSet%03lu\\Control\\Class",
                  static_cast<unsigned long>(current));
    std::vector<HiveEntry> entries{DwordValue(L"Select", L"Current", current), BareKey(classPath)};
    for (HiveEntry entry : classEntries) {
        entry.Path = std::wstring(classPath) + L"\\" + entry.Path;
        entries.push_back(std::move(entry));
    }
    return entries;
}

void WriteOfflineSystemHive(const std::filesystem::path& root, const std::vector<HiveEntry>& entries,
                            bool closedCleanly) {
    RegfWriter writer;
    if (!closedCleanly) writer.SetSequenceNumbers(2, 1);
    for (const HiveEntry& entry : entries) {
        if (entry.Type == kBareKey) {
            writer.AddKey(Utf16(entry.Path));
        } else {
            writer.SetValue(Utf16(entry.Path), Utf16(entry.Name), entry.Type, entry.Data);
        }
    }
    const std::filesystem::path folder = root / L"Windows" / L"System32" / L"Config";
    std::filesystem::create_directories(folder);
    const std::vector<std::uint8_t> bytes = writer.Serialize();
    WriteFileBytes(folder / L"SYSTEM", std::string(bytes.begin(), bytes.end()));
}

PlatformHive::PlatformHive(const std::vector<HiveEntry>& entries) {
    static unsigned counter = 0;
    name_ = L"Software\\QuillbayTests\\SystemHive" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
    for (const HiveEntry& entry : entries) {
        RegKey key;
        EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (name_ + L"\\" + entry.Path).c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        if (entry.Type == kBareKey) continue;
        EXPECT_EQ(::RegSetValueExW(key.get(), entry.Name.c_str(), 0, entry.Type, entry.Data.data(),
                                   static_cast<DWORD>(entry.Data.size())),
                  ERROR_SUCCESS);
    }
    RegKey root;
    EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, root.put(),
                                nullptr),
              ERROR_SUCCESS);
}

PlatformHive::~PlatformHive() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, name_.c_str());
}

OfflineKey PlatformHive::Open() const {
    RegKey key;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, name_.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
    return OfflineKey(std::move(key));
}

}  // namespace test
