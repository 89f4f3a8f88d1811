#include "analysis/current_bindings.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <initguid.h>
#include <setupapi.h>

#include <devpkey.h>
#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "analysis/device_property.h"
#include "analysis/system_error_text.h"
#include "core/unique_handle.h"
#include "devices/device_property_hook.h"
#include "devices/fake_devices.h"

namespace {

using sim::FakeDeviceSpec;

// Instance IDs and INF names of one test, unique among all tests running at once.
struct Names {
    std::wstring Tag = sim::UniqueDeviceTag();
    // As the platform reports it: upper case.
    [[nodiscard]] std::wstring Id(const std::wstring& name) const {
        std::wstring id = L"ROOT\\QUILLBAYTEST\\" + Tag + name;
        for (wchar_t& c : id) c = static_cast<wchar_t>(std::towupper(c));
        return id;
    }
    [[nodiscard]] std::wstring Inf(const std::wstring& name) const { return Tag + name + L".inf"; }
    [[nodiscard]] std::wstring InfPath(const std::wstring& name) const { return L"C:\\Windows\\INF\\" + Inf(name); }
};

std::vector<const DeviceBinding*> BindingsOf(const std::vector<DeviceBinding>& bindings, const std::wstring& inf) {
    std::vector<const DeviceBinding*> found;
    for (const DeviceBinding& binding : bindings) {
        if (SameInfName(binding.InfName, inf)) found.push_back(&binding);
    }
    return found;
}

std::uint64_t CountDeviceElements() {
    DeviceInfoList devices(::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES));
    std::uint64_t count = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    while (devices && ::SetupDiEnumDeviceInfo(devices.get(), static_cast<DWORD>(count), &device)) ++count;
    return count;
}

struct DeviceCase {
    const wchar_t* Name;
    FakeDeviceSpec Spec;
    bool Used;               // its INF is in UsedInfs
    bool RecordedByDefault;  // it has a record without includeAll
    bool Running;
    bool HardwareIdsRead;
};

TEST(CurrentBindings, ReadsEveryDeviceAndTrustsOnlyFullyDescribedRunningOnes) {
    const Names names;
    const std::vector<std::wstring> hardwareIds{L"PCI\\VEN_8086&DEV_1234&SUBSYS_00011AF4", L"PCI\\VEN_8086&DEV_1234"};
    auto running = [&](const wchar_t* name) {
        return sim::RunningDevice(names.Id(name), names.InfPath(name), hardwareIds);
    };
    auto withStatus = [&](const wchar_t* name, std::optional<bool> present, ULONG status) {
        FakeDeviceSpec spec = running(name);
        spec.IsPresent = present;
        spec.DevNodeStatus = status;
        return spec;
    };
    FakeDeviceSpec reportedId = running(L"winid");
    reportedId.ReportInstanceId = true;
    FakeDeviceSpec problem = withStatus(L"problem", true, DN_STARTED | DN_HAS_PROBLEM);
    problem.ProblemCode = CM_PROB_FAILED_START;
    FakeDeviceSpec noHardwareIds = running(L"nohw");
    noHardwareIds.ReportHardwareIds = false;
    FakeDeviceSpec noMatchingId = running(L"nomatch");
    noMatchingId.MatchingDeviceId.reset();
    FakeDeviceSpec noDriver = running(L"nodriver");
    noDriver.DriverInfPath.reset();
    FakeDeviceSpec upperCase = running(L"case");
    upperCase.DriverInfPath = L"C:/Windows/INF/" + names.Tag + L"CASE.INF";
    FakeDeviceSpec folderOnly = running(L"folder");
    folderOnly.DriverInfPath = L"C:\\Windows\\INF\\";

    const std::vector<DeviceCase> cases{
        {L"run", running(L"run"), true, true, true, true},
        {L"winid", reportedId, true, true, true, true},
        {L"gone", withStatus(L"gone", false, 0), true, false, false, true},
        {L"nopresence", withStatus(L"nopresence", std::nullopt, DN_STARTED), true, false, false, true},
        {L"restart", withStatus(L"restart", true, DN_STARTED | DN_NEED_RESTART), true, false, false, true},
        {L"problem", problem, true, false, false, true},
        {L"stopped", withStatus(L"stopped", true, DN_DRIVER_LOADED), true, false, false, true},
        {L"nohw", noHardwareIds, true, true, false, false},
        {L"nomatch", noMatchingId, true, true, false, true},
        {L"nodriver", noDriver, false, false, false, false},
        {L"case", upperCase, true, true, true, true},
        {L"folder", folderOnly, false, false, false, false},
    };
    sim::FakeDevices devices;
    for (const DeviceCase& device : cases) {
        std::wstring error;
        ASSERT_TRUE(devices.Add(device.Spec, error)) << error;
    }

    InfNameSet usedOnly;
    std::uint64_t examinedOnly = 0;
    std::wstring error;
    ASSERT_TRUE(ReadCurrentBindings(usedOnly, examinedOnly, error, nullptr, false)) << error;
    EXPECT_EQ(examinedOnly, CountDeviceElements());
    for (const bool includeAll : {false, true}) {
        InfNameSet used{L"stale.inf"};
        std::vector<DeviceBinding> bindings(1);
        std::uint64_t examined = 0;
        ASSERT_TRUE(ReadCurrentBindings(used, examined, error, &bindings, includeAll)) << error;
        EXPECT_TRUE(error.empty());
        EXPECT_EQ(examined, examinedOnly);
        EXPECT_EQ(used, usedOnly);
        EXPECT_FALSE(used.contains(L"stale.inf"));
        for (const DeviceBinding& binding : bindings) EXPECT_FALSE(binding.InfName.empty());
        for (const DeviceCase& device : cases) {
            SCOPED_TRACE(testing::Message() << device.Name << (includeAll ? " with all devices" : ""));
            const std::wstring inf = names.Inf(device.Name);
            EXPECT_EQ(used.contains(inf), device.Used);
            const std::vector<const DeviceBinding*> found = BindingsOf(bindings, inf);
            const bool recorded = device.Used && (includeAll || device.RecordedByDefault);
            ASSERT_EQ(found.size(), recorded ? 1u : 0u);
            if (!recorded) continue;
            const DeviceBinding& binding = *found.front();
            EXPECT_EQ(binding.Running, device.Running);
            EXPECT_EQ(binding.InstanceId, device.Spec.InstanceId) << "every recorded device is named";
            EXPECT_EQ(binding.MatchingDeviceId, device.Running ? hardwareIds.front() : L"");
            EXPECT_EQ(binding.HardwareIds, device.HardwareIdsRead ? hardwareIds : std::vector<std::wstring>{});
        }
        // The name as the device reports it, letter case kept.
        const std::vector<const DeviceBinding*> upper = BindingsOf(bindings, names.Inf(L"case"));
        ASSERT_EQ(upper.size(), 1u);
        EXPECT_EQ(upper.front()->InfName, names.Tag + L"CASE.INF");
    }
}

TEST(CurrentBindings, DeviceWhoseDriverChangesWhileReadKeepsBothNamesButNoRecord) {
    const Names names;
    sim::FakeDevices devices;
    std::wstring error;
    const std::wstring id = names.Id(L"update");
    ASSERT_TRUE(devices.Add(sim::RunningDevice(id, names.InfPath(L"old"), {L"USB\\VID_1234&PID_0001"}), error))
        << error;
    ASSERT_TRUE(devices.Add(sim::RunningDevice(names.Id(L"steady"), names.InfPath(L"steady"), {L"USB\\VID_1"}), error))
        << error;

    int pathReads = 0;
    sim::DevicePropertyHook hook([&](const sim::DevicePropertyCall& call) -> DWORD {
        if (call.InstanceId == id && call.SizeQuery &&
            sim::IsSameDevicePropertyKey(call.Key, DEVPKEY_Device_DriverInfPath) && ++pathReads == 2) {
            std::wstring changeError;
            EXPECT_TRUE(sim::ChangeDriverInfPath(id, names.InfPath(L"new"), changeError)) << changeError;
        }
        return ERROR_SUCCESS;
    });
    ASSERT_TRUE(hook.Installed());

    InfNameSet used;
    std::vector<DeviceBinding> bindings;
    std::uint64_t examined = 0;
    ASSERT_TRUE(ReadCurrentBindings(used, examined, error, &bindings, true)) << error;
    EXPECT_EQ(pathReads, 2);
    EXPECT_TRUE(used.contains(names.Inf(L"old")));
    EXPECT_TRUE(used.contains(names.Inf(L"new")));
    EXPECT_TRUE(BindingsOf(bindings, names.Inf(L"old")).empty());
    EXPECT_TRUE(BindingsOf(bindings, names.Inf(L"new")).empty());
    EXPECT_EQ(BindingsOf(bindings, names.Inf(L"steady")).size(), 1u);
}

TEST(CurrentBindings, AnyUnreadableDriverOrNoDriverAtAllFailsTheWholePass) {
    const Names names;
    sim::FakeDevices devices;
    std::wstring error;
    const std::wstring id = names.Id(L"locked");
    ASSERT_TRUE(devices.Add(sim::RunningDevice(id, names.InfPath(L"locked"), {L"ACPI\\PNP0A08"}), error)) << error;

    struct FailureCase {
        const char* Name;
        DWORD RefusedRead;  // which read of the device's INF path the platform refuses; 0: every path is absent
        std::wstring Error;
    };
    const FailureCase cases[] = {
        {"first read", 1, L"Не удалось прочитать привязку INF устройства: " + FormatSystemError(ERROR_ACCESS_DENIED)},
        {"second read", 2,
         L"Не удалось повторно прочитать привязку INF устройства: " + FormatSystemError(ERROR_ACCESS_DENIED)},
        {"no driver anywhere", 0,
         L"Windows не вернула ни одного драйвера установленных устройств. Выбор устаревших пакетов отменён для "
         L"безопасности."},
    };
    for (const FailureCase& failure : cases) {
        SCOPED_TRACE(failure.Name);
        DWORD pathReads = 0;
        sim::DevicePropertyHook hook([&](const sim::DevicePropertyCall& call) -> DWORD {
            if (!sim::IsSameDevicePropertyKey(call.Key, DEVPKEY_Device_DriverInfPath)) return ERROR_SUCCESS;
            if (failure.RefusedRead == 0) return ERROR_NOT_FOUND;
            if (call.InstanceId == id && call.SizeQuery && ++pathReads == failure.RefusedRead) {
                return ERROR_ACCESS_DENIED;
            }
            return ERROR_SUCCESS;
        });
        ASSERT_TRUE(hook.Installed());
        InfNameSet used{L"stale.inf"};
        std::vector<DeviceBinding> bindings(1);
        std::uint64_t examined = 0;
        EXPECT_FALSE(ReadCurrentBindings(used, examined, error, &bindings, false));
        EXPECT_EQ(error, failure.Error);
        EXPECT_TRUE(used.empty());
        EXPECT_TRUE(bindings.empty());
        EXPECT_GT(examined, 0u);
    }
}

std::vector<BYTE> Bytes(const std::wstring& text) {
    std::vector<BYTE> bytes(text.size() * sizeof(wchar_t));
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

TEST(DeviceProperty, BelievesOnlyWellFormedStrings) {
    using Values = std::vector<std::wstring>;
    struct DecodeCase {
        std::wstring Text;  // the value's characters, NULs included
        bool List;
        std::optional<Values> Expected;
    };
    const DecodeCase cases[] = {
        {std::wstring(L"a\0b\0\0", 5), true, Values{L"a", L"b"}},
        {std::wstring(L"a\0\0", 3), true, Values{L"a"}},
        {std::wstring(L"a\0\0b\0\0", 6), true, Values{L"a"}},
        {std::wstring(L"\0\0", 2), true, std::nullopt},
        {std::wstring(L"a\0", 2), true, std::nullopt},
        {std::wstring(L"a\0b", 3), true, std::nullopt},
        {std::wstring(L"abc\0", 4), false, Values{L"abc"}},
        {std::wstring(L"abc\0\0", 5), false, Values{L"abc"}},
        {std::wstring(L"abc\0def\0", 8), false, std::nullopt},
        {std::wstring(L"abc", 3), false, std::nullopt},
        {std::wstring(L"\0", 1), false, std::nullopt},
        {std::wstring(), false, std::nullopt},
    };
    for (const DecodeCase& decode : cases) {
        SCOPED_TRACE(testing::Message() << "length " << decode.Text.size() << (decode.List ? " list" : " string"));
        const std::vector<BYTE> bytes = Bytes(decode.Text);
        EXPECT_EQ(DecodePropertyStrings(bytes.data(), bytes.size(), decode.List), decode.Expected);
    }
    const std::vector<BYTE> halfCharacter{'a', 0, 0, 0, 0};
    EXPECT_EQ(DecodePropertyStrings(halfCharacter.data(), halfCharacter.size(), false), std::nullopt);

    for (const auto& [size, accepted] :
         {std::pair{0u, false}, std::pair{1u, false}, std::pair{2u, true}, std::pair{3u, false},
          std::pair{0x100000u, true}, std::pair{0x100002u, false}}) {
        EXPECT_EQ(IsAcceptedPropertySize(size), accepted) << size;
    }
}

}  // namespace
