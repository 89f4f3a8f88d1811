// The removal options' stored bits, and real round trips through the per-user
// key. Other test programs share that key, so every test restores what it touches.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/settings.h"
#include "platform/removal_permission.h"

namespace {

constexpr wchar_t kOptionsValue[] = L"DriverRemovalOptions";

bool SameOptions(const RemovalOptions& a, const RemovalOptions& b) {
    return a.DisableBootCriticalProtection == b.DisableBootCriticalProtection &&
           a.AllowNewerUnusedRemoval == b.AllowNewerUnusedRemoval && a.WarnAboutRisks == b.WarnAboutRisks &&
           a.ManualRemoveAllCurrent == b.ManualRemoveAllCurrent && a.ManualRemoveAllOffline == b.ManualRemoveAllOffline;
}

RemovalOptions Options(bool bootCritical, bool newerUnused, bool warn, bool manualCurrent, bool manualOffline) {
    RemovalOptions options;
    options.DisableBootCriticalProtection = bootCritical;
    options.AllowNewerUnusedRemoval = newerUnused;
    options.WarnAboutRisks = warn;
    options.ManualRemoveAllCurrent = manualCurrent;
    options.ManualRemoveAllOffline = manualOffline;
    return options;
}

// Puts a value back as it was (or removes it) when the test ends.
class RestoredValue {
public:
    explicit RestoredValue(const wchar_t* name) : name_(name) {
        DWORD size = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name_, RRF_RT_ANY | RRF_NOEXPAND, &type_, nullptr,
                           &size) != ERROR_SUCCESS)
            return;
        data_.resize(size);
        existed_ = ::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name_, RRF_RT_ANY | RRF_NOEXPAND, &type_,
                                  data_.data(), &size) == ERROR_SUCCESS;
        data_.resize(size);
    }
    RestoredValue(const RestoredValue&) = delete;
    RestoredValue& operator=(const RestoredValue&) = delete;
    ~RestoredValue() {
        if (existed_)
            ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name_, type_, data_.data(),
                              static_cast<DWORD>(data_.size()));
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name_);
    }

private:
    const wchar_t* name_;
    bool existed_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

void SetRaw(DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, kOptionsValue, type, data, size), ERROR_SUCCESS);
}

}  // namespace

TEST(Settings, DecodingFollowsTheStoredBits) {
    const RemovalOptions defaults = Options(true, true, true, false, false);
    EXPECT_TRUE(SameOptions(RemovalOptions{}, defaults)) << "a missing value reads as these";

    struct Case {
        DWORD Value;
        RemovalOptions Expected;
    };
    const Case cases[] = {
        {0x00, Options(false, false, true, false, false)},  // written before the marker bit: warn
        {0x04, Options(false, false, true, false, false)},
        {0x08, Options(false, false, false, false, false)},
        {0x0C, Options(false, false, true, false, false)},
        {0x01, Options(true, false, true, false, false)},
        {0x02, Options(false, true, true, false, false)},
        {0x18, Options(false, false, false, true, false)},
        {0x28, Options(false, false, false, false, true)},
        {0x3F, Options(true, true, true, true, true)},
        {0xFFFFFFC8, Options(false, false, false, false, false)},  // bits 6-31 mean nothing
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(SameOptions(DecodeRemovalOptions(c.Value), c.Expected)) << std::hex << c.Value;
    }
}

TEST(Settings, EncodingAlwaysMarksTheWarningBitAndRoundTrips) {
    EXPECT_EQ(EncodeRemovalOptions(Options(false, false, false, false, false)), 0x08u);
    EXPECT_EQ(EncodeRemovalOptions(Options(true, true, true, false, true)), 0x2Fu);
    EXPECT_EQ(EncodeRemovalOptions(RemovalOptions{}), 0x0Fu);
    for (DWORD bits = 0; bits < 32; ++bits) {
        const RemovalOptions options =
            Options(bits & 1, bits & 2, bits & 4, bits & 8, bits & 16);
        const DWORD value = EncodeRemovalOptions(options);
        EXPECT_EQ(value & ~0x3Fu, 0u);
        EXPECT_TRUE(SameOptions(DecodeRemovalOptions(value), options)) << std::hex << value;
    }
}

TEST(Settings, ManualRemovalFollowsTheTargetsKind) {
    const RemovalOptions currentOnly = Options(false, false, true, true, false);
    const RemovalOptions offlineOnly = Options(false, false, true, false, true);
    TargetWindows current{L"", L"C:\\", true};
    TargetWindows offline{L"", L"D:\\", false};
    TargetWindows none;
    EXPECT_TRUE(ManualRemoveAllEnabled(currentOnly, current));
    EXPECT_FALSE(ManualRemoveAllEnabled(currentOnly, offline));
    EXPECT_FALSE(ManualRemoveAllEnabled(offlineOnly, current));
    EXPECT_TRUE(ManualRemoveAllEnabled(offlineOnly, offline));
    EXPECT_TRUE(ManualRemoveAllEnabled(offlineOnly, none));
}

TEST(Settings, RegistryRoundTripAndMistypedValues) {
    RestoredValue restore(kOptionsValue);

    ASSERT_TRUE(WriteSettingDword(kOptionsValue, 0x2F));
    DWORD stored = 0;
    ASSERT_TRUE(ReadSettingDword(kOptionsValue, stored));
    EXPECT_EQ(stored, 0x2Fu);
    EXPECT_TRUE(SameOptions(ReadRemovalOptions(), Options(true, true, true, false, true)));

    ASSERT_TRUE(WriteSettingDword(kOptionsValue, 0x08));
    EXPECT_TRUE(SameOptions(ReadRemovalOptions(), Options(false, false, false, false, false)));

    // Any other type counts as missing, even with four bytes that would decode.
    const wchar_t text[] = L"8";
    SetRaw(REG_SZ, text, sizeof(text));
    stored = 0x1234;
    EXPECT_FALSE(ReadSettingDword(kOptionsValue, stored));
    EXPECT_EQ(stored, 0x1234u) << "untouched when missing";
    EXPECT_TRUE(SameOptions(ReadRemovalOptions(), RemovalOptions{}));
    const DWORD binary = 0x08;
    SetRaw(REG_BINARY, &binary, sizeof(binary));
    EXPECT_TRUE(SameOptions(ReadRemovalOptions(), RemovalOptions{}));

    ASSERT_EQ(::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, kOptionsValue), ERROR_SUCCESS);
    EXPECT_FALSE(ReadSettingDword(kOptionsValue, stored));
    EXPECT_TRUE(SameOptions(ReadRemovalOptions(), RemovalOptions{}));
}
