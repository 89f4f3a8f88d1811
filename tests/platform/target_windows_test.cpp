// Target Windows detection against fixture roots built with real hives: the
// version reading of each Windows release and each of its partial results, root recognition, the target
// list from drive letters (with Windows PE) and the drive icon.
#include "platform/target_windows.h"

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstring>
#include <cwctype>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/unique_handle.h"
#include "fixture_hives.h"
#include "kernel_image.h"
#include "platform/hibernation_file.h"
#include "platform/offline_hive.h"
#include "platform/windows_version.h"
#include "test_support.h"
#include "windows_releases.h"
#include "windows_root_builder.h"

namespace fs = std::filesystem;

namespace {

bool RunningOnWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::string Describe(const OfflineWindowsVersion& v) {
    return "major " + std::to_string(v.Major) + ", minor " + std::to_string(v.Minor) + ", build " +
           std::to_string(v.Build) + ", product type " + std::to_string(v.ProductType) + ", architecture " +
           std::to_string(v.Architecture) + (v.ArchitectureKnown ? " (known)" : " (unknown)");
}

OfflineWindowsVersion Expected(std::uint32_t major, std::uint32_t minor, std::uint32_t build, std::uint8_t productType,
                               std::uint32_t architecture = 0, bool architectureKnown = false) {
    OfflineWindowsVersion version;
    version.Major = major;
    version.Minor = minor;
    version.Build = build;
    version.ProductType = productType;
    version.Architecture = architecture;
    version.ArchitectureKnown = architectureKnown;
    return version;
}

const OfflineWindowsVersion kNothing{};
const OfflineWindowsVersion kComplete = Expected(10, 0, 19045, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_AMD64, true);
const OfflineWindowsVersion kWithoutArchitecture = Expected(10, 0, 19045, VER_NT_WORKSTATION);

// A version as the test expects it, and what its log line names as unread.
std::string Want(const OfflineWindowsVersion& version, const char* unread = "") {
    return Describe(version) + (*unread ? std::string("; unread ") + unread : std::string());
}

// The reading of a root in the form of Want.
std::string Read(const std::wstring& root) {
    std::wstring unread;
    const OfflineWindowsVersion version = ReadOfflineWindowsVersion(root, unread);
    if (unread.empty()) return Want(version);
    const std::wstring prefix = L"Windows в " + root + L" прочитана не полностью, не удалось прочитать: ";
    EXPECT_EQ(unread.rfind(prefix, 0), 0u) << testing::PrintToString(unread);
    std::string pieces;
    for (const wchar_t c : unread.substr(prefix.size())) pieces += static_cast<char>(c);  // ASCII names
    return Want(version, pieces.c_str());
}

// A fixture installation written into a fresh temporary folder.
class FixtureRoot {
public:
    explicit FixtureRoot(const sim::FixtureWindows& windows = {}) : folder_(L"qbtw") {
        std::wstring error;
        built_ = sim::BuildWindowsRoot(windows, Root(), error);
        EXPECT_TRUE(built_) << testing::PrintToString(error);
    }
    [[nodiscard]] bool Built() const { return built_; }
    [[nodiscard]] std::wstring Root() const { return folder_.Path().wstring(); }
    [[nodiscard]] fs::path System32() const { return folder_.Path() / L"Windows\\System32"; }
    [[nodiscard]] fs::path Kernel() const { return System32() / L"ntoskrnl.exe"; }

private:
    test::TempFolder folder_;
    bool built_ = false;
};

void RewriteHive(const RegfWriter& hive, const fs::path& path) {
    std::wstring error;
    ASSERT_TRUE(sim::WriteHiveFile(hive, path.wstring(), error)) << testing::PrintToString(error);
}

template <typename T>
void Put(std::string& bytes, std::size_t offset, T value) {
    if (bytes.size() < offset + sizeof(T)) bytes.resize(offset + sizeof(T), '\0');
    std::memcpy(bytes.data() + offset, &value, sizeof(T));
}

constexpr std::size_t kNtHeadersAt = 60;         // e_lfanew in the DOS header
constexpr std::size_t kFixtureNtHeaders = 0x80;  // where the fixture kernel's NT headers start

// The fixture's x64 kernel with one field overwritten.
template <typename T>
std::function<std::string()> PatchedKernel(std::size_t offset, T value) {
    return [offset, value] {
        std::string image = sim::MinimalKernelImage(sim::FixtureMachine::Amd64);
        Put<T>(image, offset, value);
        return image;
    };
}

// The fixture kernel with its NT headers moved to `offset`.
std::string KernelWithHeadersAt(std::uint32_t offset) {
    const std::string image = sim::MinimalKernelImage(sim::FixtureMachine::Amd64);
    std::uint32_t original = 0;
    std::memcpy(&original, image.data() + kNtHeadersAt, sizeof(original));
    std::string moved = image.substr(0, original);
    moved.resize(offset, '\0');
    moved += image.substr(original);
    Put<std::uint32_t>(moved, kNtHeadersAt, offset);
    return moved;
}

}  // namespace

TEST(OfflineWindowsVersion, ReadsVersionProductTypeAndKernelOfFixtureRoots) {
    struct Case {
        const char* Name;
        std::function<void(sim::FixtureWindows&)> Alter;
        OfflineWindowsVersion Want;
    };
    const auto release = [](sim::WindowsRelease which, sim::FixtureMachine machine) {
        return [=](sim::FixtureWindows& w) { w = sim::ReleaseWindows(which, machine); };
    };
    using sim::FixtureMachine;
    using sim::WindowsRelease;
    const std::vector<Case> cases = {
        {"Windows 10 workstation on x64", [](sim::FixtureWindows&) {}, kComplete},
        // Windows 7 and 8.1 give their version only as the CurrentVersion text.
        {"Windows 7 SP1 on x86", release(WindowsRelease::Windows7, FixtureMachine::X86),
         Expected(6, 1, 7601, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_INTEL, true)},
        {"Windows 7 SP1 on x64", release(WindowsRelease::Windows7, FixtureMachine::Amd64),
         Expected(6, 1, 7601, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_AMD64, true)},
        {"Windows 8.1 on x86", release(WindowsRelease::Windows81, FixtureMachine::X86),
         Expected(6, 3, 9600, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_INTEL, true)},
        {"Windows 8.1 on x64", release(WindowsRelease::Windows81, FixtureMachine::Amd64),
         Expected(6, 3, 9600, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_AMD64, true)},
        {"Windows 10 on x86", release(WindowsRelease::Windows10, FixtureMachine::X86),
         Expected(10, 0, 19045, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_INTEL, true)},
        {"Windows 10 on arm64", release(WindowsRelease::Windows10, FixtureMachine::Arm64),
         Expected(10, 0, 19045, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_ARM64, true)},
        {"Windows 11 on x64", release(WindowsRelease::Windows11, FixtureMachine::Amd64),
         Expected(10, 0, 22631, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_AMD64, true)},
        {"Windows 11 on arm64", release(WindowsRelease::Windows11, FixtureMachine::Arm64),
         Expected(10, 0, 22631, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_ARM64, true)},
        {"domain controller on x86",
         [](sim::FixtureWindows& w) {
             w.Machine = sim::FixtureMachine::X86;
             w.Version.MajorVersion = 6;
             w.Version.MinorVersion = 3;
             w.Version.BuildNumber = L"9600";
             w.ProductType = L"LanmanNT";
         },
         Expected(6, 3, 9600, VER_NT_DOMAIN_CONTROLLER, PROCESSOR_ARCHITECTURE_INTEL, true)},
        {"server on arm64, product type in other letter case",
         [](sim::FixtureWindows& w) {
             w.Machine = sim::FixtureMachine::Arm64;
             w.Version.BuildNumber = L"22631";
             w.ProductType = L"servernt";
         },
         Expected(10, 0, 22631, VER_NT_SERVER, PROCESSOR_ARCHITECTURE_ARM64, true)},
        {"control set chosen by Select\\Current", [](sim::FixtureWindows& w) { w.CurrentControlSet = 7; }, kComplete},
        {"highest control set number", [](sim::FixtureWindows& w) { w.CurrentControlSet = 999; }, kComplete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        sim::FixtureWindows windows;
        c.Alter(windows);
        FixtureRoot root(windows);
        ASSERT_TRUE(root.Built());
        EXPECT_EQ(Read(root.Root()), Want(c.Want));
        EXPECT_EQ(Read(root.Root() + L"\\"), Want(c.Want));
    }

    // Wine hands out a key for any application hive that answers nothing; the
    // hives above were read by our own reader there, by the platform elsewhere.
    FixtureRoot root;
    OfflineHive hive;
    HiveLoadFailure failure;
    ASSERT_TRUE(hive.Load((root.System32() / L"Config\\SOFTWARE").wstring(), false, failure)) << failure.Code;
    EXPECT_EQ(hive.Backend(), RunningOnWine() ? OfflineHiveBackend::RegfReader : OfflineHiveBackend::AppKey);
}

TEST(OfflineWindowsVersion, EveryPieceIsReadOnItsOwnAndTheRestNamedAsUnread) {
    struct Case {
        const char* Name;
        std::function<void(sim::FixtureWindows&)> Alter;
        std::function<void(const FixtureRoot&, const sim::FixtureWindows&)> Damage;
        OfflineWindowsVersion Version;
        const char* Unread;
    };
    const auto noChange = [](sim::FixtureWindows&) {};
    const auto intact = [](const FixtureRoot&, const sim::FixtureWindows&) {};
    const auto software = [](const FixtureRoot& root) { return root.System32() / L"Config\\SOFTWARE"; };
    const auto system = [](const FixtureRoot& root) { return root.System32() / L"Config\\SYSTEM"; };
    const auto build = [](const wchar_t* text) {
        return [text](sim::FixtureWindows& w) { w.Version.BuildNumber = text; };
    };
    const auto x64 = [](std::uint32_t major, std::uint32_t minor, std::uint32_t buildNumber,
                        std::uint8_t productType = VER_NT_WORKSTATION) {
        return Expected(major, minor, buildNumber, productType, PROCESSOR_ARCHITECTURE_AMD64, true);
    };
    const std::vector<Case> cases = {
        {"no SOFTWARE hive", noChange, [&](const FixtureRoot& r, auto&) { fs::remove(software(r)); }, x64(0, 0, 0),
         "SOFTWARE"},
        {"no SYSTEM hive", noChange, [&](const FixtureRoot& r, auto&) { fs::remove(system(r)); }, x64(10, 0, 19045, 0),
         "SYSTEM"},
        {"SYSTEM is no hive", noChange,
         [&](const FixtureRoot& r, auto&) { test::WriteFileBytes(system(r), "not a hive\r\n"); }, x64(10, 0, 19045, 0),
         "SYSTEM"},
        {"no CurrentVersion key", noChange,
         [&](const FixtureRoot& r, auto&) {
             RegfWriter empty;
             empty.AddKey(u"Microsoft\\Windows NT");
             RewriteHive(empty, software(r));
         },
         x64(0, 0, 0), "Microsoft\\Windows NT\\CurrentVersion"},
        {"no major version: the CurrentVersion text", [](sim::FixtureWindows& w) { w.Version.MajorVersion.reset(); },
         intact, x64(6, 3, 19045), ""},
        {"no major version and no CurrentVersion",
         [](sim::FixtureWindows& w) {
             w.Version.MajorVersion.reset();
             w.Version.CurrentVersion.clear();
         },
         intact, x64(0, 0, 19045), "CurrentVersion"},
        {"CurrentVersion no version",
         [](sim::FixtureWindows& w) {
             w.Version.MajorVersion.reset();
             w.Version.CurrentVersion = L"6.3a";
         },
         intact, x64(0, 0, 19045), "CurrentVersion"},
        // A damaged number is no reason to believe the text, which says 6.3 on later releases too.
        {"major version as text", noChange,
         [&](const FixtureRoot& r, const sim::FixtureWindows& w) {
             RegfWriter hive = sim::SoftwareHiveContent(w);
             hive.SetValue(u"Microsoft\\Windows NT\\CurrentVersion", u"CurrentMajorVersionNumber", kRegfTypeSz,
                           RegfStringData(u"10"));
             RewriteHive(hive, software(r));
         },
         x64(0, 0, 19045), "CurrentMajorVersionNumber"},
        {"no minor version", [](sim::FixtureWindows& w) { w.Version.MinorVersion.reset(); }, intact,
         x64(10, 0, 19045), "CurrentMinorVersionNumber"},
        {"no build number", [](sim::FixtureWindows& w) { w.Version.BuildNumber.reset(); }, intact, x64(10, 0, 0),
         "CurrentBuildNumber"},
        {"build number as a DWORD", noChange,
         [&](const FixtureRoot& r, const sim::FixtureWindows& w) {
             RegfWriter hive = sim::SoftwareHiveContent(w);
             hive.SetValue(u"Microsoft\\Windows NT\\CurrentVersion", u"CurrentBuildNumber", kRegfTypeDword,
                           RegfDwordData(19045));
             RewriteHive(hive, software(r));
         },
         x64(10, 0, 0), "CurrentBuildNumber"},
        {"empty build number", build(L""), intact, x64(10, 0, 0), "CurrentBuildNumber"},
        {"build number 0", build(L"0"), intact, x64(10, 0, 0), "CurrentBuildNumber"},
        // The leading number is kept, but the text is no build number.
        {"build number with a revision", build(L"19045.3803"), intact, x64(10, 0, 19045), "CurrentBuildNumber"},
        {"build number with a blank", build(L"19045 "), intact, x64(10, 0, 19045), "CurrentBuildNumber"},
        {"negative build number", build(L"-1"), intact, x64(10, 0, 0), "CurrentBuildNumber"},
        {"build number beyond 32 bits", build(L"4294967296"), intact, x64(10, 0, 0), "CurrentBuildNumber"},
        {"largest build number", build(L"4294967295"), intact, x64(10, 0, 4294967295u), ""},
        {"Select\\Current 0", [](sim::FixtureWindows& w) { w.CurrentControlSet = 0; }, intact, x64(10, 0, 19045, 0),
         "ProductType"},
        {"Select\\Current 1000", [](sim::FixtureWindows& w) { w.CurrentControlSet = 1000; }, intact,
         x64(10, 0, 19045, 0), "ProductType"},
        {"no Select key", noChange,
         [&](const FixtureRoot& r, auto&) {
             RegfWriter hive;
             hive.SetValue(u"ControlSet001\\Control\\ProductOptions", u"ProductType", kRegfTypeSz,
                           RegfStringData(u"WinNT"));
             RewriteHive(hive, system(r));
         },
         x64(10, 0, 19045, 0), "ProductType"},
        {"Select\\Current names a missing control set", noChange,
         [&](const FixtureRoot& r, const sim::FixtureWindows& w) {
             RegfWriter hive = sim::SystemHiveContent(w);
             hive.SetValue(u"Select", u"Current", kRegfTypeDword, RegfDwordData(2));
             RewriteHive(hive, system(r));
         },
         x64(10, 0, 19045, 0), "ProductType"},
        {"no ProductType", [](sim::FixtureWindows& w) { w.ProductType.reset(); }, intact, x64(10, 0, 19045, 0),
         "ProductType"},
        {"unknown ProductType", [](sim::FixtureWindows& w) { w.ProductType = L"WinNT2"; }, intact,
         x64(10, 0, 19045, 0), "ProductType"},
        {"no kernel", [](sim::FixtureWindows& w) { w.WriteKernel = false; }, intact, kWithoutArchitecture,
         "ntoskrnl.exe"},
        {"Windows 7 without its kernel",
         [](sim::FixtureWindows& w) {
             w = sim::ReleaseWindows(sim::WindowsRelease::Windows7, sim::FixtureMachine::Amd64);
             w.WriteKernel = false;
         },
         intact, Expected(6, 1, 7601, VER_NT_WORKSTATION), "ntoskrnl.exe"},
        {"nothing but the kernel", noChange,
         [&](const FixtureRoot& r, auto&) {
             fs::remove(software(r));
             fs::remove(system(r));
         },
         x64(0, 0, 0, 0), "SOFTWARE, SYSTEM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        sim::FixtureWindows windows;
        c.Alter(windows);
        FixtureRoot root(windows);
        ASSERT_TRUE(root.Built());
        c.Damage(root, windows);
        EXPECT_EQ(Read(root.Root()), Want(c.Version, c.Unread));
    }

    // A hive in use by someone who shares it with nobody cannot be loaded.
    FixtureRoot root;
    ASSERT_EQ(Read(root.Root()), Want(kComplete));
    const FileHandle locked(::CreateFileW((root.System32() / L"Config\\SYSTEM").c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    EXPECT_EQ(Read(root.Root()), Want(x64(10, 0, 19045, 0), "SYSTEM"));

    EXPECT_EQ(Read(L""), Want(kNothing, "SOFTWARE, SYSTEM, ntoskrnl.exe"));
}

TEST(OfflineWindowsVersion, KernelHeaderDecidesTheArchitecture) {
    struct Case {
        const char* Name;
        std::function<std::string()> Kernel;
        OfflineWindowsVersion Want;
    };
    const auto amd64 = [] { return sim::MinimalKernelImage(sim::FixtureMachine::Amd64); };
    const auto cut = [&](std::size_t size) { return [=] { return amd64().substr(0, size); }; };
    const std::vector<Case> cases = {
        {"empty file", cut(0), kWithoutArchitecture},
        {"shorter than a DOS header", cut(63), kWithoutArchitecture},
        {"no MZ", PatchedKernel<std::uint16_t>(0, 0x5A5A), kWithoutArchitecture},
        {"NT headers at the farthest offset allowed", [] { return KernelWithHeadersAt(0x100000); }, kComplete},
        {"NT headers beyond the farthest offset", [] { return KernelWithHeadersAt(0x100001); }, kWithoutArchitecture},
        {"NT headers past the end of the file", PatchedKernel<std::uint32_t>(kNtHeadersAt, 0x1000),
         kWithoutArchitecture},
        {"negative NT headers offset", PatchedKernel<std::int32_t>(kNtHeadersAt, -4), kWithoutArchitecture},
        {"file ends inside the file header", cut(kFixtureNtHeaders + 10), kWithoutArchitecture},
        {"no PE signature", PatchedKernel<std::uint32_t>(kFixtureNtHeaders, 0x01004550), kWithoutArchitecture},
        {"32-bit ARM kernel", PatchedKernel<std::uint16_t>(kFixtureNtHeaders + 4, IMAGE_FILE_MACHINE_ARMNT),
         kWithoutArchitecture},
        {"Itanium kernel", PatchedKernel<std::uint16_t>(kFixtureNtHeaders + 4, IMAGE_FILE_MACHINE_IA64),
         kWithoutArchitecture},
    };
    FixtureRoot root;
    ASSERT_TRUE(root.Built());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        test::WriteFileBytes(root.Kernel(), c.Kernel());
        EXPECT_EQ(Read(root.Root()), Want(c.Want, c.Want.ArchitectureKnown ? "" : "ntoskrnl.exe"));
    }
    fs::remove(root.Kernel());
    fs::create_directory(root.Kernel());
    EXPECT_EQ(Read(root.Root()), Want(kWithoutArchitecture, "ntoskrnl.exe")) << "a folder";
}

namespace {

// A drive letter standing for a folder while it lives. Wine resolves drive letters
// through the prefix's dosdevices links only (DefineDosDeviceW names are not
// followed by its file system), so there the link is made by the host's ln.
class MappedDrive {
public:
    explicit MappedDrive(const fs::path& folder) {
        for (wchar_t letter = L'P'; letter <= L'Y' && !letter_; ++letter) {
            const std::wstring root = std::wstring(1, letter) + L":\\";
            if (::GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR) continue;
            if (RunningOnWine() ? LinkOnWine(letter, folder) : DefineOnWindows(letter, folder)) letter_ = letter;
        }
    }
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    ~MappedDrive() {
        if (!letter_) return;
        if (!link_.empty()) {
            test::RunHostCommand(L"Z:\\bin\\rm", L"rm -f " + link_);
            test::WaitUntil([&] { return ::GetDriveTypeW(Root().c_str()) == DRIVE_NO_ROOT_DIR; });
        } else {
            ::DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, Drive().c_str(), target_.c_str());
        }
    }
    [[nodiscard]] bool Mapped() const { return letter_ != 0; }
    [[nodiscard]] std::wstring Root() const { return Drive() + L"\\"; }

private:
    [[nodiscard]] std::wstring Drive() const { return std::wstring(1, letter_) + L":"; }

    bool LinkOnWine(wchar_t letter, const fs::path& folder) {
        const std::wstring target = test::UnixPath(folder);
        std::wstring devices = test::UnixPath(L"C:\\");  // <prefix>/dosdevices/c:/
        const std::size_t drive = devices.rfind(L"/c:");
        if (target.empty() || drive == std::wstring::npos) return false;
        devices.resize(drive);
        const std::wstring link = devices + L"/" + static_cast<wchar_t>(std::towlower(letter)) + L":";
        test::RunHostCommand(L"Z:\\bin\\ln", L"ln -s " + target + L" " + link);
        const std::wstring root = std::wstring(1, letter) + L":\\";
        if (!test::WaitUntil([&] { return ::GetDriveTypeW(root.c_str()) == DRIVE_FIXED; })) return false;
        link_ = link;
        return true;
    }

    bool DefineOnWindows(wchar_t letter, const fs::path& folder) {
        target_ = folder.wstring();
        return ::DefineDosDeviceW(0, (std::wstring(1, letter) + L":").c_str(), target_.c_str()) != FALSE;
    }

    wchar_t letter_ = 0;
    std::wstring link_;    // Wine: the dosdevices link
    std::wstring target_;  // Windows: the defined target
};

// Makes the running system's drive look like an installation for the test's
// duration, where it does not already (a fresh Wine prefix has no hives).
class CurrentDriveAsRoot {
public:
    CurrentDriveAsRoot() {
        wchar_t windows[MAX_PATH];
        ::GetWindowsDirectoryW(windows, MAX_PATH);
        const fs::path system32 = fs::path(windows) / L"System32";
        std::error_code ec;
        if (!fs::exists(system32 / L"Config\\SYSTEM", ec)) {
            for (const fs::path& folder : {system32 / L"Config", system32 / L"DriverStore"}) {
                if (fs::create_directory(folder, ec)) created_.push_back(folder);
            }
            test::WriteFileBytes(system32 / L"Config\\SYSTEM", "");
            hive_ = system32 / L"Config\\SYSTEM";
        }
    }
    CurrentDriveAsRoot(const CurrentDriveAsRoot&) = delete;
    CurrentDriveAsRoot& operator=(const CurrentDriveAsRoot&) = delete;
    ~CurrentDriveAsRoot() {
        std::error_code ec;
        if (!hive_.empty()) fs::remove(hive_, ec);
        // Another test may have put something into a folder meanwhile; it then stays.
        for (auto folder = created_.rbegin(); folder != created_.rend(); ++folder) fs::remove(*folder, ec);
    }

private:
    fs::path hive_;
    std::vector<fs::path> created_;
};

std::vector<std::wstring> Roots(const std::vector<TargetWindows>& targets) {
    std::vector<std::wstring> roots;
    for (const TargetWindows& target : targets) roots.push_back(target.Root);
    return roots;
}

}  // namespace

TEST(TargetWindows, RecognisesRootsAndNormalisesChosenFolders) {
    FixtureRoot root;
    ASSERT_TRUE(root.Built());
    const std::wstring r = root.Root();
    EXPECT_TRUE(IsWindowsRoot(r));
    EXPECT_TRUE(IsWindowsRoot(r + L"\\"));
    EXPECT_FALSE(IsWindowsRoot(r + L"\\Windows")) << "the Windows folder itself is no root";
    EXPECT_FALSE(IsWindowsRoot(L""));
    EXPECT_FALSE(IsWindowsRoot(r + L"\\missing"));

    test::TempFolder partial(L"qbtw");
    const fs::path system32 = partial.Path() / L"Windows\\System32";
    fs::create_directories(system32 / L"Config\\SYSTEM");
    EXPECT_FALSE(IsWindowsRoot(partial.Path().wstring())) << "no DriverStore";
    fs::create_directories(system32 / L"DriverStore");
    EXPECT_TRUE(IsWindowsRoot(partial.Path().wstring())) << "a SYSTEM that is a folder still counts";
    fs::remove(system32 / L"Config\\SYSTEM");
    EXPECT_FALSE(IsWindowsRoot(partial.Path().wstring())) << "no SYSTEM";

    std::wstring forward = r;
    for (wchar_t& c : forward) {
        if (c == L'\\') c = L'/';
    }
    struct Case {
        std::wstring Chosen;
        std::wstring Want;
    };
    for (const Case& c : {
             Case{r, r},
             Case{r + L"\\", r},
             Case{r + L"\\Windows", r},
             Case{r + L"\\WINDOWS\\", r},
             Case{r + L"\\Windows\\System32\\..", r},
             Case{r + L"\\.\\Images\\..\\Windows", r},
             Case{forward + L"/Windows", r},
             // Without its hive a folder named Windows is no Windows directory.
             Case{partial.Path().wstring() + L"\\Windows", partial.Path().wstring() + L"\\Windows"},
             Case{r + L"\\Windows\\System32", r + L"\\Windows\\System32"},
             Case{L"D:", L"D:\\"},
             Case{L"D:\\", L"D:\\"},
             Case{L"D:/", L"D:\\"},
             Case{L"D:\\Images\\..", L"D:\\"},
             Case{L"", L""},
         }) {
        EXPECT_EQ(NormalizeTargetRoot(c.Chosen), c.Want) << testing::PrintToString(c.Chosen);
    }
}

TEST(TargetWindows, HibernatedWindowsIsKnownByTheStartOfItsHibernationFile) {
    FixtureRoot root;
    ASSERT_TRUE(root.Built());
    EXPECT_FALSE(IsHibernatedWindows(root.Root())) << "no hiberfil.sys";
    struct Case {
        std::string Start;
        bool Hibernated;
    };
    for (const Case& c : {Case{"hibr", true}, Case{"HIBR", true}, Case{"wake", false}, Case{"Hibr", false},
                          Case{std::string(4, '\0'), false}}) {
        std::wstring error;
        ASSERT_TRUE(sim::WriteHibernationFile(root.Root(), c.Start, error)) << error;
        EXPECT_EQ(IsHibernatedWindows(root.Root()), c.Hibernated) << testing::PrintToString(c.Start);
    }
    // A file that cannot be read may be a hibernation image all the same.
    const FileHandle locked(::CreateFileW((root.Root() + L"\\hiberfil.sys").c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locked);
    EXPECT_TRUE(IsHibernatedWindows(root.Root()));
}

TEST(TargetWindows, ListsCurrentWindowsFirstThenOfflineDrivesButNoCurrentUnderWindowsPE) {
    wchar_t windows[MAX_PATH];
    ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring current = std::wstring(1, static_cast<wchar_t>(std::towupper(windows[0]))) + L":\\";
    ASSERT_FALSE(IsWindowsPE()) << "the test system is no Windows PE";

    FixtureRoot offline;
    ASSERT_TRUE(offline.Built());
    test::TempFolder plain(L"qbtw");
    const MappedDrive offlineDrive(offline.Root());
    const MappedDrive plainDrive(plain.Path());
    ASSERT_TRUE(offlineDrive.Mapped());
    ASSERT_TRUE(plainDrive.Mapped());
    const CurrentDriveAsRoot currentAsRoot;
    ASSERT_TRUE(IsWindowsRoot(current));
    ASSERT_TRUE(IsWindowsRoot(offlineDrive.Root()));
    EXPECT_EQ(NormalizeTargetRoot(offlineDrive.Root() + L"Windows"), offlineDrive.Root());

    for (const LangId language : {LangId{0}, LangId{1}, LangId{7}}) {
        SCOPED_TRACE(language);
        const std::vector<TargetWindows> targets = EnumerateTargets(language);
        EXPECT_EQ(Roots(targets), (std::vector<std::wstring>{current, offlineDrive.Root()}))
            << "the running Windows once, first; the plain drive not at all";
        ASSERT_EQ(targets.size(), 2u);
        EXPECT_TRUE(targets[0].IsCurrent);
        EXPECT_EQ(targets[0].Label, GetText(language, 69) + current);
        EXPECT_FALSE(targets[1].IsCurrent);
        EXPECT_EQ(targets[1].Label, GetText(language, 70) + offlineDrive.Root());
        EXPECT_EQ(TargetLabel(language, offlineDrive.Root(), false), targets[1].Label);
    }
    EXPECT_EQ(EnumerateTargets(1)[0].Label, L"Current Windows — " + current);

    // Windows PE: the key exists only for these two calls.
    constexpr wchar_t kMiniNT[] = L"SYSTEM\\CurrentControlSet\\Control\\MiniNT";
    RegKey miniNT;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kMiniNT, 0, nullptr, REG_OPTION_VOLATILE, KEY_READ, nullptr,
                                miniNT.put(), nullptr),
              ERROR_SUCCESS);
    miniNT.reset();
    const bool underPE = IsWindowsPE();
    const std::vector<TargetWindows> peTargets = EnumerateTargets(1);
    ASSERT_EQ(::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kMiniNT), ERROR_SUCCESS);
    EXPECT_TRUE(underPE);
    EXPECT_EQ(Roots(peTargets), std::vector<std::wstring>{offlineDrive.Root()})
        << "no current entry, and the PE's own drive is never examined";
    EXPECT_FALSE(IsWindowsPE());
}

TEST(TargetWindows, SystemDriveIconAndDefaultBackupFolder) {
    const HICON icon = SystemDriveIcon();
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    EXPECT_TRUE(::GetIconInfo(icon, &info));
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    EXPECT_TRUE(::DestroyIcon(icon)) << "the caller owns the icon";

    PWSTR desktop = nullptr;
    ASSERT_EQ(::SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &desktop), S_OK);
    const fs::path expected = fs::path(desktop) / L"Quillbay Backup";
    ::CoTaskMemFree(desktop);
    EXPECT_EQ(DefaultBackupFolder(L"Quillbay Backup"), expected.wstring());
}
