// The stand-in DISM as any caller sees it: loaded from the program's folder and
// driven through the nine exports with the program's own DISM declarations.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/unique_handle.h"
#include "file_bytes.h"
#include "fixture_inf.h"
#include "fixture_package_files.h"
#include "platform/dism_api.h"
#include "test_support.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;
using namespace sim;

namespace {

constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0xC0040001);
constexpr HRESULT kInvalidSession = static_cast<HRESULT>(0xC0040004);

template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The DLL next to the test program, unloaded (and so reset) when the test ends.
struct StandIn {
    StandIn() {
        module.reset(::LoadLibraryExW((test::BinFolder() / L"DismApi.dll").c_str(), nullptr,
                                      LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (!module) return;
        Initialize = Resolve<dism::InitializeFn>(module.get(), "DismInitialize");
        Shutdown = Resolve<dism::ShutdownFn>(module.get(), "DismShutdown");
        OpenSession = Resolve<dism::OpenSessionFn>(module.get(), "DismOpenSession");
        CloseSession = Resolve<dism::CloseSessionFn>(module.get(), "DismCloseSession");
        GetDrivers = Resolve<dism::GetDriversFn>(module.get(), "DismGetDrivers");
        AddDriver = Resolve<dism::AddDriverFn>(module.get(), "DismAddDriver");
        RemoveDriver = Resolve<dism::RemoveDriverFn>(module.get(), "DismRemoveDriver");
        Delete = Resolve<dism::DeleteFn>(module.get(), "DismDelete");
        GetLastErrorMessage = Resolve<dism::GetLastErrorMessageFn>(module.get(), "DismGetLastErrorMessage");
    }

    bool Complete() const {
        return Initialize && Shutdown && OpenSession && CloseSession && GetDrivers && AddDriver && RemoveDriver &&
               Delete && GetLastErrorMessage;
    }

    // The calling thread's last message, released again; "<none>" when there is none.
    std::wstring LastMessage() const {
        dism::String* message = nullptr;
        const HRESULT hr = GetLastErrorMessage(&message);
        if (hr == S_FALSE && message == nullptr) return L"<none>";
        if (FAILED(hr) || message == nullptr) return L"<failed>";
        std::wstring text = message->Value ? message->Value : L"";
        EXPECT_EQ(Delete(message), S_OK);
        return text;
    }

    Module module;
    dism::InitializeFn Initialize = nullptr;
    dism::ShutdownFn Shutdown = nullptr;
    dism::OpenSessionFn OpenSession = nullptr;
    dism::CloseSessionFn CloseSession = nullptr;
    dism::GetDriversFn GetDrivers = nullptr;
    dism::AddDriverFn AddDriver = nullptr;
    dism::RemoveDriverFn RemoveDriver = nullptr;
    dism::DeleteFn Delete = nullptr;
    dism::GetLastErrorMessageFn GetLastErrorMessage = nullptr;
};

struct ListedPackage {
    std::wstring PublishedName;
    std::wstring OriginalFileName;
    std::wstring CatalogFile;
    std::wstring ClassName;
    std::wstring ClassGuid;
    std::wstring ClassDescription;
    std::wstring Provider;
    SYSTEMTIME Date{};
    UINT Version[4]{};
    bool InBox = true;
    bool BootCritical = false;
};

std::wstring Text(PCWSTR value) { return value ? value : L"<null>"; }

// DismGetDrivers copied out and released.
std::vector<ListedPackage> ListPackages(const StandIn& dism, dism::Session session) {
    dism::DriverPackage* packages = nullptr;
    UINT count = 0;
    const HRESULT hr = dism.GetDrivers(session, FALSE, &packages, &count);
    EXPECT_EQ(hr, S_OK) << dism.LastMessage();
    std::vector<ListedPackage> listed;
    if (FAILED(hr)) return listed;
    for (UINT i = 0; i < count; ++i) {
        const dism::DriverPackage& p = packages[i];
        listed.push_back({Text(p.PublishedName),
                          Text(p.OriginalFileName),
                          Text(p.CatalogFile),
                          Text(p.ClassName),
                          Text(p.ClassGuid),
                          Text(p.ClassDescription),
                          Text(p.ProviderName),
                          p.Date,
                          {p.MajorVersion, p.MinorVersion, p.Build, p.Revision},
                          p.InBox != FALSE,
                          p.BootCritical != FALSE});
    }
    EXPECT_EQ(dism.Delete(packages), S_OK);
    return listed;
}

std::vector<std::wstring> PublishedNames(const std::vector<ListedPackage>& listed) {
    std::vector<std::wstring> names;
    for (const ListedPackage& package : listed) names.push_back(package.PublishedName);
    return names;
}

FixturePackage Package(const wchar_t* published, const wchar_t* inf, const wchar_t* version, FixtureDate date) {
    FixturePackage package;
    package.PublishedName = published;
    package.InfName = inf;
    package.Provider = L"Tessary Devices";
    package.ClassName = L"Net";
    package.ClassGuid = L"{4d36e972-e325-11ce-bfc1-08002be10318}";
    package.CatalogFile = L"tessnet.cat";
    package.Version = version;
    package.Date = date;
    package.Models = {{L"NTamd64", {L"PCI\\VEN_7A11&DEV_0001"}}};
    package.DriverFiles = {{L"tessnet.sys", 4096}, {L"sub\\tessnet.bin", 100}};
    return package;
}

std::wstring StoreFolderOf(const FixturePackage& package) {
    std::wstring name;
    std::wstring error;
    EXPECT_TRUE(FixtureStoreFolderName(package, name, error)) << error;
    return name;
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::string ReadLog(const fs::path& path) { return test::ReadFileBytes(path); }

class DismStandInTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dism.Complete()) << "DismApi.dll with nine exports next to the test program";
        root = folder.Path() / L"image";
        logPath = folder.Path() / L"dism.log";
    }

    void BuildRoot(const FixtureWindows& windows) {
        std::wstring error;
        ASSERT_TRUE(BuildWindowsRoot(windows, root.wstring(), error)) << error;
    }

    dism::Session Open() {
        EXPECT_EQ(dism.Initialize(dism::kLogErrorsWarningsInfo, logPath.c_str(), nullptr), S_OK) << dism.LastMessage();
        dism::Session session = 0;
        EXPECT_EQ(dism.OpenSession(root.c_str(), nullptr, nullptr, &session), S_OK) << dism.LastMessage();
        EXPECT_NE(session, 0u);
        return session;
    }

    StandIn dism;
    test::TempFolder folder{L"qbsim"};
    fs::path root;
    fs::path logPath;
};

}  // namespace

TEST_F(DismStandInTest, RefusesEverythingBeforeInitializeAndAfterShutdown) {
    dism::Session session = 9;
    EXPECT_EQ(dism.OpenSession(dism::kOnlineImage, nullptr, nullptr, &session), kNotInitialized);
    EXPECT_NE(dism.LastMessage().find(L"not initialized"), std::wstring::npos);
    EXPECT_EQ(dism.CloseSession(1), kNotInitialized);
    dism::DriverPackage* packages = nullptr;
    UINT count = 0;
    EXPECT_EQ(dism.GetDrivers(1, FALSE, &packages, &count), kNotInitialized);
    EXPECT_EQ(dism.AddDriver(1, L"C:\\x.inf", FALSE), kNotInitialized);
    EXPECT_EQ(dism.RemoveDriver(1, L"oem1.inf"), kNotInitialized);
    EXPECT_EQ(dism.Shutdown(), kNotInitialized);

    BuildRoot({});
    session = Open();
    EXPECT_EQ(dism.Initialize(dism::kLogErrorsWarningsInfo, nullptr, nullptr),
              HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED))
        << "a second initialisation is refused";
    EXPECT_EQ(dism.Shutdown(), S_OK);
    EXPECT_EQ(dism.CloseSession(session), kNotInitialized) << "shutdown ends the API";

    // Initialising again works, and sessions of the earlier run are gone.
    ASSERT_EQ(dism.Initialize(dism::kLogErrorsWarningsInfo, nullptr, nullptr), S_OK);
    EXPECT_EQ(dism.CloseSession(session), kInvalidSession);
    EXPECT_EQ(dism.Shutdown(), S_OK);
}

TEST_F(DismStandInTest, FailuresCarryCodesAndPerThreadMessages) {
    ASSERT_EQ(dism.Initialize(dism::kLogErrorsWarningsInfo, logPath.c_str(), nullptr), S_OK);
    EXPECT_EQ(dism.LastMessage(), L"<none>") << "no message after a success";

    {
        // A folder without Windows\System32 is no image.
        dism::Session session = 5;
        const fs::path notWindows = folder.Path() / L"plain";
        fs::create_directories(notWindows / L"Windows");
        EXPECT_EQ(dism.OpenSession(notWindows.c_str(), nullptr, nullptr, &session),
                  HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
        EXPECT_EQ(session, 0u);
        const std::wstring message = dism.LastMessage();
        EXPECT_NE(message.find(notWindows.wstring()), std::wstring::npos) << message;
        EXPECT_NE(message.find(L"not the root of a Windows installation"), std::wstring::npos) << message;

        // The message belongs to the failing thread only.
        std::wstring otherThread;
        std::thread([&] { otherThread = dism.LastMessage(); }).join();
        EXPECT_EQ(otherThread, L"<none>");
        EXPECT_EQ(dism.LastMessage(), message) << "reading the message keeps it";
    }
    {
        EXPECT_EQ(dism.CloseSession(0), kInvalidSession);
        EXPECT_EQ(dism.CloseSession(4711), kInvalidSession);
        EXPECT_NE(dism.LastMessage().find(L"4711"), std::wstring::npos);
        dism::DriverPackage* packages = nullptr;
        UINT count = 0;
        EXPECT_EQ(dism.GetDrivers(4711, FALSE, &packages, &count), kInvalidSession);
    }

    BuildRoot({});
    dism::Session session = 0;
    ASSERT_EQ(dism.OpenSession(root.c_str(), nullptr, nullptr, &session), S_OK);
    EXPECT_EQ(dism.LastMessage(), L"<none>") << "a success clears the earlier failure";
    {
        EXPECT_EQ(dism.RemoveDriver(session, L"oem4.inf"), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
        EXPECT_NE(dism.LastMessage().find(L"oem4.inf"), std::wstring::npos);
        EXPECT_EQ(dism.RemoveDriver(session, nullptr), E_INVALIDARG);
        const fs::path missing = folder.Path() / L"missing" / L"driver.inf";
        EXPECT_EQ(dism.AddDriver(session, missing.c_str(), FALSE), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        EXPECT_NE(dism.LastMessage().find(missing.wstring()), std::wstring::npos);
        EXPECT_EQ(dism.AddDriver(session, folder.Path().c_str(), FALSE), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
            << "a folder is not an INF";
        dism::Session unused = 0;
        EXPECT_EQ(dism.OpenSession(root.c_str(), L"C:\\Windows", nullptr, &unused), E_NOTIMPL);
    }
    {
        // Only blocks the DLL handed out may be deleted, and each only once.
        int foreign = 0;
        EXPECT_EQ(dism.Delete(&foreign), E_INVALIDARG);
        EXPECT_NE(dism.LastMessage().find(L"did not hand out"), std::wstring::npos);
        EXPECT_EQ(dism.Delete(nullptr), E_INVALIDARG);
        dism::String* message = nullptr;
        ASSERT_EQ(dism.GetLastErrorMessage(&message), S_OK);
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(dism.Delete(message), S_OK);
        EXPECT_EQ(dism.Delete(message), E_INVALIDARG) << "a released block is no longer ours";
    }
    EXPECT_EQ(dism.CloseSession(session), S_OK);
    EXPECT_EQ(dism.CloseSession(session), kInvalidSession) << "a closed session is unknown";
    EXPECT_EQ(dism.Shutdown(), S_OK);

    const std::string log = ReadLog(logPath);
    EXPECT_NE(log.find("DismInitialize(2, \"" + std::string(logPath.string()) + "\", null) -> 0x00000000\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("DismCloseSession(4711) -> 0xC0040004 Session 4711 is not open.\r\n"), std::string::npos);
    EXPECT_NE(log.find("DismCloseSession(" + std::to_string(session) + ") -> 0x00000000\r\n"), std::string::npos);
    EXPECT_NE(log.find("DismShutdown() -> 0x00000000 (closed 0 open sessions; 0 results not released)"),
              std::string::npos)
        << log;
}

TEST_F(DismStandInTest, ListsPublishedPackagesBackedByTheirStoreFolder) {
    FixtureWindows windows;
    FixturePackage boot = Package(L"oem10.inf", L"tessstor.inf", L"3.1", {2021, 3, 4});
    boot.ClassName = L"SCSIAdapter";
    boot.ClassGuid = L"{4d36e97b-e325-11ce-bfc1-08002be10318}";
    boot.Service = FixtureService{L"tessstor", SERVICE_BOOT_START};
    FixturePackage demand = Package(L"OEM2.INF", L"tessnet.inf", L"5.6.7.8", {2023, 12, 31});
    demand.Service = FixtureService{L"tessnet", SERVICE_DEMAND_START};
    FixturePackage different = Package(L"oem3.inf", L"tessold.inf", L"1.0.0.1", {2019, 1, 2});
    different.Published = PublishedInf::Different;
    FixturePackage orphan = Package(L"oem4.inf", L"tessorph.inf", L"1.0.0.2", {2019, 1, 2});
    orphan.Published = PublishedInf::Absent;
    FixturePackage wide = Package(L"oem7.inf", L"tesswide.inf", L"7.0.1.2", {2022, 6, 1});
    wide.Utf16Inf = true;
    wide.Provider = L"Тессари";
    wide.StoreArchitecture = L"x86";
    wide.StoreHash = L"00112233445566aa";
    windows.Packages = {boot, demand, different, orphan, wide};
    windows.ImageDrive = L"e:";
    BuildRoot(windows);
    // A published INF no store folder holds, and a store folder name without a hash.
    test::WriteFileBytes(root / L"Windows\\INF\\oem5.inf", "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\n");
    fs::create_directories(root / L"Windows\\System32\\DriverStore\\FileRepository\\loose.inf_amd64");

    const dism::Session session = Open();
    const std::vector<ListedPackage> listed = ListPackages(dism, session);
    ASSERT_EQ(PublishedNames(listed), (std::vector<std::wstring>{L"OEM2.INF", L"oem7.inf", L"oem10.inf"}))
        << "numeric order; different, absent and unbacked publications are not packages";

    const ListedPackage& net = listed[0];
    EXPECT_EQ(net.OriginalFileName,
              L"E:\\Windows\\System32\\DriverStore\\FileRepository\\" + StoreFolderOf(demand) + L"\\tessnet.inf")
        << "the image's own drive from the marker";
    EXPECT_EQ(net.Provider, L"Tessary Devices") << "%strings% are expanded";
    EXPECT_EQ(net.ClassName, L"Net");
    EXPECT_EQ(net.ClassGuid, L"{4d36e972-e325-11ce-bfc1-08002be10318}");
    EXPECT_EQ(net.ClassDescription, L"") << "an offline image has no class descriptions";
    EXPECT_EQ(net.CatalogFile, L"tessnet.cat");
    EXPECT_EQ(net.Date.wYear, 2023);
    EXPECT_EQ(net.Date.wMonth, 12);
    EXPECT_EQ(net.Date.wDay, 31);
    EXPECT_EQ(net.Date.wDayOfWeek, 0) << "31 December 2023 was a Sunday";
    EXPECT_EQ((std::vector<UINT>(net.Version, net.Version + 4)), (std::vector<UINT>{5, 6, 7, 8}));
    EXPECT_FALSE(net.InBox);
    EXPECT_FALSE(net.BootCritical) << "a demand-start service is not boot-critical";

    const ListedPackage& utf16 = listed[1];
    EXPECT_EQ(utf16.Provider, L"Тессари");
    EXPECT_EQ(utf16.OriginalFileName,
              L"E:\\Windows\\System32\\DriverStore\\FileRepository\\tesswide.inf_x86_00112233445566aa\\tesswide.inf");

    const ListedPackage& storage = listed[2];
    EXPECT_TRUE(storage.BootCritical) << "StartType 0 in the service-install section";
    EXPECT_EQ((std::vector<UINT>(storage.Version, storage.Version + 4)), (std::vector<UINT>{3, 1, 0, 0}))
        << "missing version parts are 0";

    {
        // Without the marker the image reports paths under its root.
        EXPECT_EQ(dism.CloseSession(session), S_OK);
        fs::remove(root / L"Windows\\System32\\DriverStore\\sim-image-drive.txt");
        dism::Session plain = 0;
        ASSERT_EQ(dism.OpenSession(root.c_str(), nullptr, nullptr, &plain), S_OK);
        const std::vector<ListedPackage> again = ListPackages(dism, plain);
        ASSERT_EQ(again.size(), 3u);
        EXPECT_EQ(again[0].OriginalFileName,
                  (root / L"Windows\\System32\\DriverStore\\FileRepository" / StoreFolderOf(demand) / L"tessnet.inf")
                      .wstring());
        // A marker that names no drive makes the image unusable rather than misreported.
        test::WriteFileBytes(root / L"Windows\\System32\\DriverStore\\sim-image-drive.txt", "D:\\Windows");
        dism::Session broken = 0;
        EXPECT_EQ(dism.OpenSession(root.c_str(), nullptr, nullptr, &broken), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    }
    EXPECT_EQ(dism.Shutdown(), S_OK);
}

TEST_F(DismStandInTest, AddThenListThenRemoveRoundTrip) {
    FixtureWindows windows;
    windows.Packages = {Package(L"oem0.inf", L"tessnet.inf", L"1.0.0.0", {2020, 1, 1}),
                        Package(L"oem1.inf", L"tessnet.inf", L"1.1.0.0", {2020, 6, 1})};
    BuildRoot(windows);
    FixturePackage added = Package(L"", L"tessnew.inf", L"2.4.6.8", {2024, 2, 29});
    const fs::path source = folder.Path() / L"source";
    std::wstring error;
    ASSERT_TRUE(WritePackageFiles(added, source.wstring(), ExistingFile::Fail, error)) << error;

    const dism::Session session = Open();
    const fs::path inf = source / L"tessnew.inf";
    ASSERT_EQ(dism.AddDriver(session, inf.c_str(), FALSE), S_OK) << dism.LastMessage();

    const fs::path repository = root / L"Windows\\System32\\DriverStore\\FileRepository";
    const fs::path staged = repository / StoreFolderOf(added);
    EXPECT_TRUE(Exists(staged / L"tessnew.inf")) << "staged under the hash of the INF's content";
    EXPECT_TRUE(Exists(staged / L"tessnet.sys"));
    EXPECT_TRUE(Exists(staged / L"sub" / L"tessnet.bin")) << "subfolders come along";
    EXPECT_TRUE(Exists(root / L"Windows\\INF\\oem2.inf")) << "the lowest free number";

    std::vector<ListedPackage> listed = ListPackages(dism, session);
    ASSERT_EQ(PublishedNames(listed), (std::vector<std::wstring>{L"oem0.inf", L"oem1.inf", L"oem2.inf"}));
    EXPECT_EQ(listed[2].OriginalFileName, (staged / L"tessnew.inf").wstring());
    EXPECT_EQ(listed[2].Date.wMonth, 2);
    EXPECT_EQ(listed[2].Date.wDay, 29);

    // The same INF again is already there.
    ASSERT_EQ(dism.AddDriver(session, inf.c_str(), TRUE), S_OK);
    EXPECT_FALSE(Exists(root / L"Windows\\INF\\oem3.inf"));
    EXPECT_EQ(ListPackages(dism, session).size(), 3u);

    ASSERT_EQ(dism.RemoveDriver(session, L"OEM0.inf"), S_OK) << dism.LastMessage();
    EXPECT_FALSE(Exists(root / L"Windows\\INF\\oem0.inf"));
    EXPECT_FALSE(Exists(repository / StoreFolderOf(windows.Packages[0])));
    EXPECT_TRUE(Exists(repository / StoreFolderOf(windows.Packages[1]))) << "same INF name, other version stays";
    EXPECT_EQ(PublishedNames(ListPackages(dism, session)), (std::vector<std::wstring>{L"oem1.inf", L"oem2.inf"}));
    EXPECT_EQ(dism.RemoveDriver(session, L"oem0.inf"), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));

    // The freed number is the next one handed out.
    FixturePackage another = Package(L"", L"tessalt.inf", L"9.0.0.0", {2024, 3, 1});
    const fs::path otherSource = folder.Path() / L"other";
    ASSERT_TRUE(WritePackageFiles(another, otherSource.wstring(), ExistingFile::Fail, error)) << error;
    ASSERT_EQ(dism.AddDriver(session, (otherSource / L"tessalt.inf").c_str(), FALSE), S_OK);
    EXPECT_EQ(PublishedNames(ListPackages(dism, session)),
              (std::vector<std::wstring>{L"oem0.inf", L"oem1.inf", L"oem2.inf"}));
    EXPECT_EQ(dism.Shutdown(), S_OK);
}

TEST_F(DismStandInTest, AddingAnInfNextToTheImageDoesNotCopyTheImage) {
    BuildRoot({});
    FixturePackage added = Package(L"", L"tessnew.inf", L"1.0.0.0", {2024, 1, 1});
    std::wstring error;
    ASSERT_TRUE(WritePackageFiles(added, folder.Path().wstring(), ExistingFile::Fail, error)) << error;

    const dism::Session session = Open();
    ASSERT_EQ(dism.AddDriver(session, (folder.Path() / L"tessnew.inf").c_str(), FALSE), S_OK) << dism.LastMessage();
    const fs::path staged = root / L"Windows\\System32\\DriverStore\\FileRepository" / StoreFolderOf(added);
    EXPECT_TRUE(Exists(staged / L"tessnet.sys"));
    EXPECT_FALSE(Exists(staged / L"image")) << "the folder holding the image is left out";
    EXPECT_EQ(dism.Shutdown(), S_OK);
}

TEST_F(DismStandInTest, LockedFileLeavesThePackageInPlace) {
    FixtureWindows windows;
    windows.Packages = {Package(L"oem6.inf", L"tessnet.inf", L"1.0.0.0", {2020, 1, 1})};
    BuildRoot(windows);
    const fs::path store =
        root / L"Windows\\System32\\DriverStore\\FileRepository" / StoreFolderOf(windows.Packages[0]);
    const fs::path locked = store / L"sub" / L"tessnet.bin";

    const dism::Session session = Open();
    {
        FileHandle holder(::CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_EQ(dism.RemoveDriver(session, L"oem6.inf"), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
        EXPECT_NE(dism.LastMessage().find(locked.wstring()), std::wstring::npos);
        EXPECT_TRUE(Exists(root / L"Windows\\INF\\oem6.inf"));
        EXPECT_TRUE(Exists(store / L"tessnet.inf"));
        EXPECT_TRUE(Exists(store / L"tessnet.sys"));
        EXPECT_TRUE(Exists(locked));
        EXPECT_EQ(PublishedNames(ListPackages(dism, session)), (std::vector<std::wstring>{L"oem6.inf"}));
    }
    EXPECT_EQ(dism.RemoveDriver(session, L"oem6.inf"), S_OK) << "released, it goes";
    EXPECT_FALSE(Exists(store));
    EXPECT_FALSE(Exists(root / L"Windows\\INF\\oem6.inf"));
    EXPECT_EQ(dism.Shutdown(), S_OK);
}

TEST_F(DismStandInTest, AnInfRewrittenInPlaceIsReadAgain) {
    FixtureWindows windows;
    windows.Packages = {Package(L"oem1.inf", L"tessnet.inf", L"1.0.0.0", {2020, 1, 1})};
    BuildRoot(windows);
    const dism::Session session = Open();
    ASSERT_EQ(ListPackages(dism, session).at(0).Provider, L"Tessary Devices");

    // Same length, same place, other content: what was read before does not answer.
    FixturePackage rewritten = windows.Packages[0];
    rewritten.Provider = L"Tessary Devicez";
    std::string bytes;
    std::wstring error;
    ASSERT_TRUE(RenderFixtureInf(rewritten, bytes, error)) << error;
    const fs::path store =
        root / L"Windows\\System32\\DriverStore\\FileRepository" / StoreFolderOf(windows.Packages[0]);
    test::WriteFileBytes(store / L"tessnet.inf", bytes);
    test::WriteFileBytes(root / L"Windows\\INF\\oem1.inf", bytes);
    EXPECT_EQ(ListPackages(dism, session).at(0).Provider, L"Tessary Devicez");
    EXPECT_EQ(dism.Shutdown(), S_OK);
}
