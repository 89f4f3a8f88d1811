// Installation without the window: the DiInstallDriverW call and how its answer
// is read, the installation loop into the running system and into an offline
// image through the DISM stand-in, kept packages looked up after the refresh,
// and the summary.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/text_encoding.h"
#include "fixture_package_files.h"
#include "operations/install_driver_online.h"
#include "operations/install_summary.h"
#include "operations/package_install.h"
#include "platform/package_text.h"
#include "removal_scenario.h"
#include "test_support.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;
using namespace removaltest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

namespace {

// What the stand-in installer below was called with, and how it answers.
struct InstallerCall {
    HWND Parent = reinterpret_cast<HWND>(1);
    std::wstring Path;
    DWORD Flags = 99;
    BOOL Result = TRUE;
    DWORD Error = 0;
    BOOL NeedReboot = FALSE;
};
InstallerCall g_call;

BOOL WINAPI RecordingInstaller(HWND parent, LPCWSTR infPath, DWORD flags, PBOOL needReboot) {
    g_call.Parent = parent;
    g_call.Path = infPath;
    g_call.Flags = flags;
    if (g_call.NeedReboot) *needReboot = TRUE;
    ::SetLastError(g_call.Error);
    return g_call.Result;
}

TEST(InstallDriverOnline, ArgumentsOutcomesAndErrorTexts) {
    struct Case {
        BOOL Result;
        DWORD Error;
        BOOL Reboot;
        InstallOutcome Outcome;
    };
    for (const Case& c : {Case{TRUE, 0, TRUE, InstallOutcome::Installed},
                          Case{FALSE, ERROR_NO_MORE_ITEMS, TRUE, InstallOutcome::Kept},
                          Case{FALSE, ERROR_ACCESS_DENIED, FALSE, InstallOutcome::Failed}}) {
        SCOPED_TRACE(c.Error);
        g_call = InstallerCall{};
        g_call.Result = c.Result;
        g_call.Error = c.Error;
        g_call.NeedReboot = c.Reboot;
        bool restart = !c.Reboot;
        std::wstring error;
        EXPECT_EQ(CallDiInstallDriver(RecordingInstaller, L"C:\\src\\a.inf", restart, error), c.Outcome);
        EXPECT_EQ(g_call.Parent, nullptr);
        EXPECT_EQ(g_call.Path, L"C:\\src\\a.inf");
        EXPECT_EQ(g_call.Flags, 0u);
        EXPECT_EQ(restart, c.Reboot != FALSE) << "the restart request counts whatever the outcome";
        if (c.Result) continue;
        wchar_t code[16];
        std::swprintf(code, 16, L"0x%08lX", c.Error);
        EXPECT_EQ(error.rfind(L"DiInstallDriver(C:\\src\\a.inf), " + std::wstring(code) + L": ", 0), 0u) << error;
        EXPECT_GT(error.size(), 36u) << "the system's text follows";
    }

    test::TempFolder temp(L"qbinstall");
    bool restart = true;
    std::wstring error;
    const std::wstring missing = (temp.Path() / L"gone" / L"a.inf").wstring();
    EXPECT_EQ(InstallDriverOnline(missing, restart, error), InstallOutcome::Failed);
    EXPECT_EQ(error, L"INF-файл не найден: " + missing);
    EXPECT_FALSE(restart);
    EXPECT_EQ(InstallDriverOnline(temp.Path().wstring(), restart, error), InstallOutcome::Failed)
        << "a folder is no INF file";

    // newdev.dll of the running system (the platform reports success without a restart).
    ASSERT_TRUE(sim::WritePackageFiles(Fixture(L"oem1.inf", L"qrok.inf", L"1.0.0.0", 2020, L"PCI\\VEN_1F4C&DEV_0B01"),
                                       temp.Path().wstring(), sim::ExistingFile::Fail, error))
        << error;
    EXPECT_EQ(InstallDriverOnline((temp.Path() / L"qrok.inf").wstring(), restart, error), InstallOutcome::Installed);
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring error;
        ASSERT_TRUE(dism.Initialize((temp.Path() / L"dism.log").wstring(), error)) << error;
        callbacks.LogLine = [this](const std::wstring& line) { log.push_back(line); };
        callbacks.Progress = [this](const std::wstring& text, int percent) {
            progress.push_back(text + L" @" + std::to_wstring(percent));
        };
        callbacks.Cancelled = [this] { return cancelAfter >= 0 && queries++ >= cancelAfter; };
    }

    // A vendor's folder of the package, as an install source lists it.
    DriverPackage Source(const sim::FixturePackage& fixture) {
        const fs::path folder = temp.Path() / L"source" / fixture.InfName;
        std::wstring error;
        EXPECT_TRUE(sim::WritePackageFiles(fixture, folder.wstring(), sim::ExistingFile::Replace, error)) << error;
        DriverPackage source;
        source.InfPath = (folder / fixture.InfName).wstring();
        source.OriginalInfName = fixture.InfName;
        source.Version = fixture.Version;
        source.CatalogFile = fixture.CatalogFile;
        return source;
    }

    std::wstring OfflineRoot(const std::vector<sim::FixturePackage>& packages) {
        sim::FixtureWindows windows;
        windows.Packages = packages;
        const std::wstring root = (temp.Path() / L"offline").wstring() + L"\\";
        std::wstring error;
        EXPECT_TRUE(sim::BuildWindowsRoot(windows, root, error)) << error;
        return root;
    }

    test::TempFolder temp{L"qbinstall"};
    DismSession dism;
    OperationCallbacks callbacks;
    std::vector<std::wstring> log;
    std::vector<std::wstring> progress;
    int cancelAfter = -1;
    int queries = 0;
};

TEST_F(InstallTest, OfflineInstallAddsToTheStoreCountsFailuresAndStopsWhenCancelled) {
    const sim::FixturePackage present = Fixture(L"oem1.inf", L"qrold.inf", L"1.0.0.0", 2020, L"PCI\\VEN_1F4C&DEV_0C01");
    const TargetWindows target{L"", OfflineRoot({present}), false};
    std::vector<DriverPackage> sources{
        Source(Fixture(L"", L"qrnew.inf", L"2.0.0.0", 2023, L"PCI\\VEN_1F4C&DEV_0C02")),
        Source(Fixture(L"", L"qrgone.inf", L"1.0.0.0", 2023, L"PCI\\VEN_1F4C&DEV_0C03")),
        Source(Fixture(L"", L"qrtwo.inf", L"3.0.0.0", 2023, L"PCI\\VEN_1F4C&DEV_0C04")),
        Source(Fixture(L"", L"qrlate.inf", L"1.0.0.0", 2023, L"PCI\\VEN_1F4C&DEV_0C05"))};
    fs::remove_all(fs::path(sources[1].InfPath).parent_path());  // removed after the scan
    std::vector<DriverPackage*> selection;
    for (DriverPackage& source : sources) selection.push_back(&source);

    cancelAfter = 3;  // the fourth package is never started
    InstallResult result;
    InstallPackages(selection, target, kEnglish, dism, callbacks, result);
    EXPECT_TRUE(result.Attempted);
    EXPECT_FALSE(result.RestartRequired);
    EXPECT_EQ(result.Installed, 2u);
    EXPECT_EQ(result.Errors, 1u);
    EXPECT_TRUE(result.Kept.empty());
    EXPECT_EQ(log[0], L"Добавлен в офлайн-Windows: " + sources[0].InfPath);
    EXPECT_EQ(log[1].rfind(L"DismAddDriver(" + sources[1].InfPath + L"): 0x80070002", 0), 0u) << log[1];
    EXPECT_EQ(progress.back(), GetText(kEnglish, 151) + std::wstring(L"qrtwo.inf @50"));

    std::vector<std::wstring> stored;
    for (const DriverPackage& package : ReadPackages(dism, target)) stored.push_back(package.OriginalInfName);
    EXPECT_THAT(stored, UnorderedElementsAre(L"qrold.inf", L"qrnew.inf", L"qrtwo.inf"));

    const TargetWindows nowhere{L"", (temp.Path() / L"source").wstring(), false};
    EXPECT_THROW(InstallPackages(selection, nowhere, kEnglish, dism, callbacks, result), std::runtime_error);
    EXPECT_FALSE(result.Attempted);
}

TEST_F(InstallTest, KeptPackagesCountAsAvailableOnlyWhenTheStoreHoldsThem) {
    const sim::FixturePackage staged = Fixture(L"oem1.inf", L"qrkept.inf", L"1.0.0.0", 2020, L"PCI\\VEN_1F4C&DEV_0E01");
    const std::wstring root = OfflineRoot({staged});
    const std::vector<DriverPackage> installed = ReadPackages(dism, {L"", root, false});
    std::vector<DriverPackage> sources{Source(staged),
                                       Source(Fixture(L"", L"qrnot.inf", L"1.0.0.0", 2020, L"PCI\\VEN_1F4C&DEV_0E02")),
                                       Source(Fixture(L"", L"qrlate.inf", L"1.0.0.0", 2020, L"PCI\\VEN_1F4C&DEV_0E03"))};
    InstallResult result;
    result.Attempted = true;
    result.RestartRequired = true;
    result.Errors = 1;
    for (const DriverPackage& source : sources) result.Kept.push_back({&source, L"DiInstallDriver(" + source.InfPath + L"), 0x00000103: x", {}});

    cancelAfter = 2;  // the refresh is cancelled before the third lookup
    EXPECT_THROW(LabelKeptItems(result.Kept, installed, root, callbacks), OperationCancelled);
    EXPECT_EQ(result.Kept[0].StoreLabel, std::optional<std::wstring>(L"qrkept.inf (oem1.inf)"));
    EXPECT_EQ(result.Kept[1].StoreLabel, std::optional<std::wstring>(L""));
    EXPECT_FALSE(result.Kept[2].StoreLabel.has_value());

    InstallEnding ending;
    ending.Tally = ResolveKeptItems(result.Kept, result.Installed, result.Errors, callbacks);
    EXPECT_EQ(result.Installed, 1u);
    EXPECT_EQ(result.Errors, 2u);
    EXPECT_EQ(ending.Tally.Kept, 1u);
    EXPECT_EQ(ending.Tally.Unverified, 1u);
    EXPECT_THAT(log, ElementsAre(L"Пакет доступен в Driver Store: qrkept.inf (oem1.inf). Windows оставила текущий "
                                 L"драйвер устройства.",
                                 result.Kept[1].Error,
                                 result.Kept[2].Error + L". Наличие пакета в Driver Store не проверено."));

    ending.Cancelled = true;
    EXPECT_EQ(InstallSummaryText(result, ending, kEnglish),
              std::wstring(GetText(kEnglish, 181)) + L"1\r\n" + GetText(kEnglish, 145) + L"2\r\n" +
                  GetText(kEnglish, 247) + L"1\r\n" + GetText(kEnglish, 248) + L"1\r\n\r\n" + GetText(kEnglish, 183) +
                  L"\r\n" + GetText(kEnglish, 172) + L"\r\n\r\n" + GetText(kEnglish, 149));
    EXPECT_TRUE(InstallSummaryWarns(result, ending));
    EXPECT_EQ(InstallStatusText(result, kEnglish),
              GetText(kEnglish, 182) + std::wstring(L"1") + GetText(kEnglish, 146) + L"2");

    InstallResult clean;
    clean.Installed = 2;
    InstallEnding stale;
    EXPECT_FALSE(InstallSummaryWarns(clean, stale));
    stale.ListStale = true;
    stale.Failed = true;
    EXPECT_TRUE(InstallSummaryWarns(clean, stale));
    EXPECT_THAT(InstallSummaryText(clean, stale, kEnglish),
                HasSubstr(std::wstring(GetText(kEnglish, 183)) + L"\r\n" + GetText(kEnglish, 249) + L"\r\n" +
                          GetText(kEnglish, 173)));
}

}  // namespace
