#include <windows.h>

#include <cfgmgr32.h>
#include <initguid.h>
#include <objbase.h>
#include <setupapi.h>
#include <winioctl.h>

#include <devpkey.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "analysis/boot_disk.h"
#include "analysis/class_filters.h"
#include "analysis/running_services.h"
#include "analysis/storage_stack.h"
#include "core/unique_handle.h"
#include "devices/fake_devices.h"
#include "removal_risk_fixtures.h"

#ifdef __MINGW32__
// The import library has it; mingw's header lacks the declaration.
extern "C" DECLSPEC_IMPORT BOOL WINAPI SetupDiSetDevicePropertyW(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY*,
                                                                 DEVPROPTYPE, const BYTE*, DWORD, DWORD);
#endif

namespace {

std::wstring MultiString(const std::vector<std::wstring>& strings) {
    std::wstring joined;
    for (const std::wstring& text : strings) joined.append(text).push_back(L'\0');
    joined.push_back(L'\0');
    return joined;
}

std::vector<std::uint8_t> Extents(DWORD count, const std::vector<DWORD>& disks, std::size_t bytes) {
    std::vector<std::uint8_t> data(bytes);
    std::memcpy(data.data(), &count, sizeof(count));
    for (std::size_t i = 0; i < disks.size(); ++i) {
        std::memcpy(data.data() + 8 + i * sizeof(DISK_EXTENT), &disks[i], sizeof(DWORD));
    }
    return data;
}

TEST(RemovalRiskStorage, DiskExtentsCountOnlyWhenTheAnswerHoldsThemAll) {
    const std::vector<std::uint8_t> two = Extents(2, {0, 3}, 8 + 2 * 24);
    EXPECT_EQ(DiskNumbersFromExtents(two.data(), two.size()), (std::set<DWORD>{0, 3}));
    EXPECT_EQ(DiskNumbersFromExtents(two.data(), two.size() - 1), std::set<DWORD>{});  // the second is cut off
    const std::vector<std::uint8_t> none = Extents(0, {}, 8);
    EXPECT_EQ(DiskNumbersFromExtents(none.data(), none.size()), std::set<DWORD>{});
    EXPECT_EQ(DiskNumbersFromExtents(none.data(), 7), std::set<DWORD>{});
}

// Disk interfaces by index and the parents of device nodes, as the platform would answer.
struct DiskTopology {
    std::vector<std::pair<DiskQuery, DiskDevice>> Interfaces;
    std::map<DEVINST, DEVINST> Parents;
    DWORD HighestIndexAsked = 0;
    std::vector<DEVINST> ParentQueries;

    std::set<DEVINST> Select(const std::set<DWORD>& numbers, bool& complete) {
        return SelectBootDiskNodes(
            numbers,
            [this](DWORD index, DiskDevice& disk) {
                HighestIndexAsked = std::max(HighestIndexAsked, index);
                if (index >= Interfaces.size()) return DiskQuery::End;
                disk = Interfaces[index].second;
                return Interfaces[index].first;
            },
            [this](DEVINST node) -> std::optional<DEVINST> {
                ParentQueries.push_back(node);
                const auto parent = Parents.find(node);
                if (parent == Parents.end()) return std::nullopt;
                return parent->second;
            },
            complete);
    }
};

TEST(RemovalRiskStorage, BootDisksAddTheirNodesAndAncestorsAndTellWhetherAllWereFound) {
    // Disks 1 and 2 hang below one controller (100) under the root (1000).
    auto topology = [] {
        DiskTopology t;
        t.Interfaces = {{DiskQuery::Unreadable, {}},
                        {DiskQuery::Found, {5, 50}},
                        {DiskQuery::Found, {1, 10}},
                        {DiskQuery::Found, {2, 20}},
                        {DiskQuery::Found, {9, 90}}};
        t.Parents = {{10, 100}, {20, 100}, {50, 500}, {90, 900}, {100, 1000}};
        return t;
    };
    {
        SCOPED_TRACE("a volume on two disks, only one of them found");
        DiskTopology t = topology();
        bool complete = true;
        EXPECT_EQ(t.Select({1, 7}, complete), (std::set<DEVINST>{10, 100, 1000}));
        EXPECT_FALSE(complete);
        EXPECT_EQ(t.HighestIndexAsked, 5u);  // up to the end of the list
    }
    {
        SCOPED_TRACE("both disks found");
        DiskTopology t = topology();
        bool complete = false;
        EXPECT_EQ(t.Select({1, 2}, complete), (std::set<DEVINST>{10, 20, 100, 1000}));
        EXPECT_TRUE(complete);
        EXPECT_EQ(t.HighestIndexAsked, 3u);  // no interface asked once every disk is found
        // The second disk's walk stops at the controller it shares with the first.
        EXPECT_EQ(t.ParentQueries, (std::vector<DEVINST>{10, 100, 1000, 20}));
    }
}

TEST(RemovalRiskStorage, StackFiltersAreTheEntriesOtherThanTheDeviceAndItsParent) {
    const std::vector<std::wstring> stack{L"\\Driver\\partmgr", L"\\Driver\\disk", L"\\Driver\\storahci"};
    EXPECT_EQ(StackFilterServices(stack, L"disk", L"storahci"), std::vector<std::wstring>{L"partmgr"});
    EXPECT_EQ(StackFilterServices(stack, L"DISK", L""), (std::vector<std::wstring>{L"partmgr", L"storahci"}));
    EXPECT_EQ(StackFilterServices({L"\\Driver\\", L"\\FileSystem/fltmgr", L"\\Driver\\Disk"}, L"disk", L""),
              std::vector<std::wstring>{L"fltmgr"});
}

// Lower filters of a device class on its installer key, removed again (with the
// key when it was created here).
class ScopedClassLowerFilters {
public:
    ScopedClassLowerFilters(const GUID& guid, const std::vector<std::wstring>& filters) {
        wchar_t text[40] = {};
        ::StringFromGUID2(guid, text, 40);
        path_ = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Class\\") + text;
        DWORD disposition = 0;
        const std::wstring data = MultiString(filters);
        set_ =
            ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(),
                              &disposition) == ERROR_SUCCESS &&
            ::RegSetValueExW(key_.get(), L"LowerFilters", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
        created_ = disposition == REG_CREATED_NEW_KEY;
    }
    ScopedClassLowerFilters(const ScopedClassLowerFilters&) = delete;
    ScopedClassLowerFilters& operator=(const ScopedClassLowerFilters&) = delete;
    ~ScopedClassLowerFilters() {
        ::RegDeleteValueW(key_.get(), L"LowerFilters");
        key_.reset();
        if (created_) ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path_.c_str());
    }
    [[nodiscard]] bool Set() const noexcept { return set_; }

private:
    std::wstring path_;
    RegKey key_;
    bool created_ = false;
    bool set_ = false;
};

void SetDeviceStrings(const std::wstring& instanceId, const DEVPROPKEY& key, const std::vector<std::wstring>& strings,
                      GUID* classGuid = nullptr) {
    const std::wstring list = MultiString(strings);
    DeviceInfoList devices(::SetupDiCreateDeviceInfoList(nullptr, nullptr));
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    ASSERT_TRUE(::SetupDiOpenDeviceInfoW(devices.get(), instanceId.c_str(), nullptr, 0, &device)) << GetLastError();
    ASSERT_TRUE(::SetupDiSetDevicePropertyW(devices.get(), &device, &key, DEVPROP_TYPE_STRING_LIST,
                                            reinterpret_cast<const BYTE*>(list.c_str()),
                                            static_cast<DWORD>(list.size() * sizeof(wchar_t)), 0))
        << GetLastError();
    if (classGuid) *classGuid = device.ClassGuid;
}

TEST(RemovalRiskStorage, StackFactsComeFromBootDevicesStacksAndRunningFiltersOfStartedDevices) {
    const std::wstring tag = sim::UniqueDeviceTag();
    auto id = [&](const std::wstring& name) { return L"ROOT\\QUILLBAYTEST\\" + tag + name; };
    auto inf = [&](const std::wstring& name) { return tag + name + L".inf"; };
    auto device = [&](const std::wstring& name, const std::optional<std::wstring>& service, ULONG status) {
        sim::FakeDeviceSpec spec =
            sim::RunningDevice(id(name), L"C:\\Windows\\INF\\" + inf(name), {L"ROOT\\" + tag + name});
        spec.Service = service;
        spec.DevNodeStatus = status;
        return spec;
    };
    const std::wstring stoppedFilter = tag + L"stopped";
    test::ScopedService stoppedService(stoppedFilter, L"\\SystemRoot\\System32\\drivers\\" + stoppedFilter + L".sys");
    ASSERT_TRUE(stoppedService.Created()) << stoppedService.Error();

    sim::FakeDevices devices;
    std::wstring error;
    sim::FakeDeviceSpec stacked = device(L"stacked", tag + L"own", DN_STARTED);
    stacked.Stack = {L"\\Driver\\" + tag + L"upper", L"\\Driver\\" + tag + L"OWN"};
    for (const sim::FakeDeviceSpec& spec :
         {device(L"boot", tag + L"stor", DN_STARTED), device(L"bootnosvc", std::nullopt, DN_STARTED),
          device(L"other", tag + L"other", DN_STARTED), device(L"started", std::nullopt, DN_STARTED),
          device(L"stopped", std::nullopt, 0), stacked}) {
        ASSERT_TRUE(devices.Add(spec, error)) << error;
    }
    // PlugPlay, RpcSs and MountMgr run in every prefix. The upper filters of a
    // device that reports its stack are not consulted.
    GUID fixtureClass{};
    SetDeviceStrings(id(L"stacked"), DEVPKEY_Device_UpperFilters, {L"RpcSs"});
    SetDeviceStrings(id(L"started"), DEVPKEY_Device_UpperFilters, {L"PlugPlay", stoppedFilter}, &fixtureClass);
    SetDeviceStrings(id(L"started"), DEVPKEY_Device_LowerFilters, {tag + L"missing"});
    SetDeviceStrings(id(L"stopped"), DEVPKEY_Device_UpperFilters, {L"RpcSs"});
    const ScopedClassLowerFilters classFilters(fixtureClass, {L"MountMgr"});
    ASSERT_TRUE(classFilters.Set());

    InfNameSet bootInfs;
    ServiceNameSet filters;
    CollectStackFacts({id(L"boot"), id(L"bootnosvc"), id(L"nosuchdevice")}, bootInfs, filters);

    EXPECT_EQ(std::vector<std::wstring>(bootInfs.begin(), bootInfs.end()), std::vector<std::wstring>{inf(L"boot")});
    for (const std::wstring& expected : {tag + L"upper", std::wstring(L"PlugPlay"), std::wstring(L"MountMgr")}) {
        EXPECT_EQ(filters.count(expected), 1u) << expected;
    }
    for (const std::wstring& unexpected : {tag + L"own", std::wstring(L"RpcSs"), stoppedFilter, tag + L"missing"}) {
        EXPECT_EQ(filters.count(unexpected), 0u) << unexpected;
    }
}

}  // namespace
