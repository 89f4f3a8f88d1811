#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/identical_files.h"
#include "analysis/service_image.h"
#include "analysis/service_owner.h"
#include "devices/fake_devices.h"
#include "removal_risk_fixtures.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(RemovalRiskOwner, ImagePathsBecomeFullPathsOrNothing) {
    const std::wstring windows = L"D:\\Win";
    const struct {
        const wchar_t* ImagePath;
        const wchar_t* Expected;
    } cases[] = {
        {L"\\SystemRoot\\System32\\drivers\\a.sys", L"D:\\Win\\System32\\drivers\\a.sys"},
        {L"\\SYSTEMROOT\\system32\\..\\b.sys", L"D:\\Win\\b.sys"},
        {L"system32\\DRIVERS\\c.sys", L"D:\\Win\\system32\\DRIVERS\\c.sys"},
        {L"\\??\\C:\\Vendor\\d.sys", L"C:\\Vendor\\d.sys"},
        {L"\\\\?\\C:\\Vendor\\.\\e.sys", L"C:\\Vendor\\e.sys"},
        {L"\"C:\\Program Files\\Vendor\\f.exe\"", L"C:\\Program Files\\Vendor\\f.exe"},
        {L"\"\\SystemRoot\\g.sys\"", L"D:\\Win\\g.sys"},
        {L"\\Vendor\\i.sys", L"\\Vendor\\i.sys"},
        {L"\\??\\System32\\j.sys", L"D:\\Win\\System32\\j.sys"},
        {L"drivers\\k.sys", L""},
        {L"\"m.sys", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveImagePath(windows, c.ImagePath), c.Expected) << c.ImagePath;
}

TEST(RemovalRiskOwner, ServiceImagesAreReadFromTheServiceKey) {
    const std::wstring tag = sim::UniqueDeviceTag();
    test::ScopedService plain(tag + L"plain", L"\\SystemRoot\\System32\\drivers\\" + tag + L".sys");
    const std::wstring expandable = L"%SystemRoot%\\System32\\" + tag + L".exe";
    test::ScopedService expanded(tag + L"expanded", expandable);
    ASSERT_TRUE(plain.Created()) << plain.Error();
    ASSERT_TRUE(expanded.Created()) << expanded.Error();
    // Windows writes ImagePath as REG_EXPAND_SZ; Wine's service manager as REG_SZ.
    ASSERT_EQ(
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (L"SYSTEM\\CurrentControlSet\\Services\\" + tag + L"expanded").c_str(),
                          L"ImagePath", REG_EXPAND_SZ, expandable.c_str(),
                          static_cast<DWORD>((expandable.size() + 1) * sizeof(wchar_t))),
        ERROR_SUCCESS);
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);

    EXPECT_EQ(ResolveServiceImage(L"D:\\Win", tag + L"plain"), L"D:\\Win\\System32\\drivers\\" + tag + L".sys");
    EXPECT_EQ(ResolveServiceImage(L"D:\\Win", tag + L"EXPANDED"),
              std::wstring(windows) + L"\\System32\\" + tag + L".exe");
    EXPECT_EQ(ResolveServiceImage(L"D:\\Win", tag + L"missing"), L"");
    EXPECT_EQ(ResolveServiceImage(L"D:\\Win", L"..\\" + tag + L"plain"), L"");  // never another key
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    test::WriteFileBytes(path, text);
}

std::string Inf(const std::string& services) { return "[Version]\r\nSignature=\"$Windows NT$\"\r\n" + services; }

TEST(RemovalRiskOwner, InfAddServicesComeFromEverySection) {
    test::TempFolder folder;
    const fs::path inf = folder.Path() / L"services.inf";
    WriteText(inf, Inf("[Install.NT.Services]\r\nAddService = alpha, 0x2, Alpha_Inst\r\nAddService = ,0x2\r\n"
                       "[Filter.NT.Services]\r\nAddService=%BetaName%,,Beta_Inst\r\n"
                       "[Other]\r\nAddReg = Whatever\r\n"
                       "[Strings]\r\nBetaName = \"beta\"\r\n"));
    const ServiceNameSet services = ReadInfAddServices(inf.wstring());
    EXPECT_EQ(std::vector<std::wstring>(services.begin(), services.end()),
              (std::vector<std::wstring>{L"alpha", L"beta"}));
    EXPECT_TRUE(ReadInfAddServices((folder.Path() / L"missing.inf").wstring()).empty());
}

TEST(RemovalRiskOwner, FilesAreIdenticalByEqualNonEmptyContent) {
    test::TempFolder folder;
    const std::string large(20000, 'x');
    const struct {
        std::string First;
        std::string Second;
        bool Identical;
    } cases[] = {
        {large, large, true}, {large, large.substr(1) + 'y', false}, {large, large.substr(1), false}, {"", "", false}};
    for (const auto& c : cases) {
        test::WriteFileBytes(folder.Path() / L"first.sys", c.First);
        test::WriteFileBytes(folder.Path() / L"second.sys", c.Second);
        EXPECT_EQ(FilesIdentical((folder.Path() / L"first.sys").wstring(), (folder.Path() / L"second.sys").wstring()),
                  c.Identical)
            << c.Second.size();
    }
}

DriverPackage StorePackage(const std::wstring& publishedName, const fs::path& inf) {
    DriverPackage package;
    package.PublishedName = publishedName;
    package.OriginalFileName = inf.wstring();
    return package;
}

// A Driver Store of four packages that carry a copy of filter.sys: alpha and
// beta install the filter service; gamma carries the file without installing
// the service; delta installs the service with another file of the same name.
// A fifth package like alpha lies outside the store.
struct OwnerStore {
    test::TempFolder Root;
    fs::path Repository = Root.Path() / L"FileRepository";
    fs::path Image = Root.Path() / L"drivers" / L"filter.sys";
    DriverPackage Alpha = StorePackage(L"oem1.inf", Repository / L"alpha.inf_amd64_1" / L"alpha.inf");
    DriverPackage Beta = StorePackage(L"oem2.inf", Repository / L"beta.inf_amd64_2" / L"beta.inf");
    DriverPackage Gamma = StorePackage(L"oem3.inf", Repository / L"gamma.inf_amd64_3" / L"gamma.inf");
    DriverPackage Delta = StorePackage(L"oem4.inf", Repository / L"delta.inf_amd64_4" / L"delta.inf");
    DriverPackage Outside = StorePackage(L"oem5.inf", Root.Path() / L"outside.inf_amd64_5" / L"outside.inf");

    OwnerStore() {
        const std::string binary(3000, 'f');
        WriteText(Image, binary);
        const std::string installs = Inf("[Install.Services]\r\nAddService = filter,0x2,Inst\r\n");
        WriteText(Alpha.OriginalFileName, installs);
        WriteText(fs::path(Alpha.OriginalFileName).parent_path() / L"amd64" / L"FILTER.SYS", binary);
        WriteText(Beta.OriginalFileName, installs);
        WriteText(fs::path(Beta.OriginalFileName).parent_path() / L"filter.sys", binary);
        WriteText(Gamma.OriginalFileName, Inf("[Install.Services]\r\nAddService = other,0x2,Inst\r\n"));
        WriteText(fs::path(Gamma.OriginalFileName).parent_path() / L"filter.sys", binary);
        WriteText(Delta.OriginalFileName, installs);
        WriteText(fs::path(Delta.OriginalFileName).parent_path() / L"filter.sys", std::string(3000, 'g'));
        WriteText(Outside.OriginalFileName, installs);
        WriteText(fs::path(Outside.OriginalFileName).parent_path() / L"filter.sys", binary);
    }
    std::wstring Owner(const std::wstring& image, const std::vector<DriverPackage>& packages) const {
        AddServiceCache cache;
        return FindServiceOwner(image, Repository.wstring(), L"FILTER", packages, cache);
    }
};

TEST(RemovalRiskOwner, AnImageOutsideTheStoreBelongsToTheOnePackageInstallingAnIdenticalCopy) {
    const OwnerStore store;
    const std::wstring image = store.Image.wstring();
    EXPECT_EQ(store.Owner(image, {store.Alpha, store.Gamma, store.Delta}), L"oem1.inf");
    EXPECT_EQ(store.Owner(image, {store.Alpha, store.Beta}), L"");  // ambiguous
    EXPECT_EQ(store.Owner(image, {store.Gamma, store.Delta, store.Outside}), L"");
    EXPECT_EQ(store.Owner(L"", {store.Alpha}), L"");

    // The AddService names of an INF are read once per analysis.
    AddServiceCache cache{{store.Alpha.OriginalFileName, {}}};
    EXPECT_EQ(FindServiceOwner(image, store.Repository.wstring(), L"filter", {store.Alpha}, cache), L"");
}

TEST(RemovalRiskOwner, AnImageInsideTheStoreBelongsToThePackageWhoseFolderHoldsIt) {
    const OwnerStore store;
    const fs::path inAlpha = fs::path(store.Alpha.OriginalFileName).parent_path() / L"sub" / L"x.sys";
    EXPECT_EQ(store.Owner(inAlpha.wstring(), {store.Beta, store.Alpha}), L"oem1.inf");
    // The repository itself is no package folder.
    const DriverPackage atRoot = StorePackage(L"oem8.inf", store.Repository / L"root.inf");
    EXPECT_EQ(store.Owner((store.Repository / L"loose.sys").wstring(), {atRoot}), L"");
}

}  // namespace
