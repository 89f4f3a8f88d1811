#include "analysis/offline_bindings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/system_error_text.h"
#include "system_hive_fixture.h"
#include "test_support.h"

namespace {

using test::BareKey;
using test::DwordValue;
using test::HiveEntry;
using test::StringValue;
using test::SystemHive;

struct HiveCase {
    const char* Name;
    std::vector<HiveEntry> Entries;
    std::vector<std::wstring> Expected;  // the set, in order, when the walk succeeds
    std::wstring Error;                  // otherwise
};

std::vector<std::wstring> Names(const InfNameSet& set) {
    return {set.begin(), set.end()};
}

const std::wstring kDisplay = L"{4d36e968-e325-11ce-bfc1-08002be10318}";
const std::wstring kNet = L"{4d36e972-e325-11ce-bfc1-08002be10318}";

std::vector<HiveCase> Cases() {
    const std::wstring incomplete = L"Неполные данные привязок SYSTEM-hive: ";
    const std::wstring noSelect = L"В SYSTEM-hive отсутствует корректный Select\\Current.";
    std::vector<HiveEntry> twoControlSets = SystemHive(
        1, {StringValue(kDisplay + L"\\0000", L"InfPath", L"oem3.inf"),
            StringValue(kDisplay + L"\\0001", L"InfPath", L"%SystemRoot%\\INF\\OEM7.INF", REG_EXPAND_SZ),
            StringValue(kDisplay + L"\\0002", L"DriverDesc", L"no driver bound"), BareKey(kDisplay + L"\\Properties"),
            StringValue(kNet + L"\\0000", L"InfPath", L"C:/Windows/INF/machine.inf"),
            StringValue(kNet + L"\\0001", L"InfPath", L"OEM3.inf"),
            StringValue(kNet + L"\\0002", L"InfPath", L"C:\\Windows\\INF\\")});
    for (const HiveEntry& other : SystemHive(2, {StringValue(kNet + L"\\0000", L"InfPath", L"oem99.inf")})) {
        if (other.Path != L"Select") twoControlSets.push_back(other);
    }
    std::vector<HiveEntry> missingSet = SystemHive(1, {StringValue(kNet + L"\\0000", L"InfPath", L"oem1.inf")});
    missingSet.front() = DwordValue(L"Select", L"Current", 3);

    return {
        {"only the current control set, names folded by case",
         twoControlSets,
         {L"machine.inf", L"oem3.inf", L"OEM7.INF"},
         L""},
        {"Current 12", SystemHive(12, {StringValue(kNet + L"\\0000", L"InfPath", L"oem12.inf")}), {L"oem12.inf"}, L""},
        {"Current 0", SystemHive(0, {StringValue(kNet + L"\\0000", L"InfPath", L"oem1.inf")}), {}, noSelect},
        {"Current 1000", SystemHive(1000, {StringValue(kNet + L"\\0000", L"InfPath", L"oem1.inf")}), {}, noSelect},
        {"Current as text",
         {StringValue(L"Select", L"Current", L"1"),
          StringValue(L"ControlSet001\\Control\\Class\\" + kNet + L"\\0000", L"InfPath", L"oem1.inf")},
         {},
         noSelect},
        {"no Select",
         {StringValue(L"ControlSet001\\Control\\Class\\" + kNet + L"\\0000", L"InfPath", L"oem1.inf")},
         {},
         L"Не удалось открыть SYSTEM\\Select: " + FormatSystemError(ERROR_FILE_NOT_FOUND)},
        {"no such control set",
         missingSet,
         {},
         L"Не удалось открыть ControlSet003\\Control\\Class: " + FormatSystemError(ERROR_FILE_NOT_FOUND)},
        {"empty InfPath",
         SystemHive(1, {StringValue(kNet + L"\\0000", L"InfPath", L"oem1.inf"),
                        StringValue(kNet + L"\\0001", L"InfPath", L"")}),
         {},
         incomplete + FormatSystemError(ERROR_INVALID_DATA)},
        {"binary InfPath",
         SystemHive(1, {StringValue(kNet + L"\\0000", L"InfPath", L"oem1.inf"),
                        HiveEntry{kNet + L"\\0001", L"InfPath", REG_BINARY, {'o', 0, 'e', 0}}}),
         {},
         incomplete + FormatSystemError(ERROR_INVALID_DATA)},
        {"no InfPath anywhere",
         SystemHive(1, {StringValue(kNet + L"\\0000", L"DriverDesc", L"adapter")}),
         {},
         L"В SYSTEM-hive не найдено ни одной привязки InfPath; очистка отменена для безопасности."},
    };
}

// The same walk over the platform's registry (how a hive loaded by Windows is read)
// and over an offline root's hive file (read by whatever loader the platform allows).
TEST(OfflineBindings, WalksTheCurrentControlSetAndRefusesPartialAnswers) {
    for (const HiveCase& hiveCase : Cases()) {
        SCOPED_TRACE(hiveCase.Name);
        test::TempFolder root(L"qbbind");
        test::WriteOfflineSystemHive(root.Path(), hiveCase.Entries);
        const test::PlatformHive platform(hiveCase.Entries);

        InfNameSet offline{L"stale.inf"};
        std::wstring offlineError = L"stale";
        const bool offlineRead = ReadOfflineBindings(root.Path().wstring(), offline, offlineError);
        InfNameSet walked{L"stale.inf"};
        std::wstring walkError = L"stale";
        const bool walkRead = ReadClassInfPaths(platform.Open(), walked, walkError);

        const bool expectSuccess = hiveCase.Error.empty();
        EXPECT_EQ(offlineRead, expectSuccess);
        EXPECT_EQ(walkRead, expectSuccess);
        EXPECT_EQ(offlineError, hiveCase.Error);
        EXPECT_EQ(walkError, hiveCase.Error);
        EXPECT_EQ(Names(offline), hiveCase.Expected);
        EXPECT_EQ(Names(walked), hiveCase.Expected);
    }
}

TEST(OfflineBindings, RootWithoutHiveFailsWithTheLoadError) {
    test::TempFolder root(L"qbbind");
    InfNameSet used{L"stale.inf"};
    std::wstring error;
    EXPECT_FALSE(ReadOfflineBindings(root.Path().wstring(), used, error));
    EXPECT_TRUE(used.empty());
    EXPECT_EQ(error.rfind(L"Не удалось загрузить офлайн SYSTEM-hive: ", 0), 0u) << error;
}

// The regf reader (the test host's loader) sees only the file: the bindings of a
// write that did not finish are in SYSTEM.LOG1/LOG2 and would be missed.
TEST(OfflineBindings, HiveNotClosedCleanlyIsNotBelieved) {
    test::TempFolder root(L"qbbind");
    test::WriteOfflineSystemHive(root.Path(), SystemHive(1, {StringValue(kNet + L"\\0000", L"InfPath", L"oem1.inf")}),
                                 /*closedCleanly=*/false);
    InfNameSet used{L"stale.inf"};
    std::wstring error;
    EXPECT_FALSE(ReadOfflineBindings(root.Path().wstring(), used, error));
    EXPECT_TRUE(used.empty());
    EXPECT_NE(error.find(L"(hive not closed cleanly)"), std::wstring::npos) << error;
}

}  // namespace
