// Folder sizes and the size phase with its cache.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/package_size.h"
#include "platform/path_rules.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, std::size_t size) {
    fs::create_directories(path.parent_path());
    test::WriteFileBytes(path, std::string(size, 'x'));
}

// A package whose DISM path lies inside the root, so it is located as it is.
DriverPackage StorePackage(const fs::path& folder) {
    DriverPackage package;
    package.PublishedName = L"oem1.inf";
    package.OriginalFileName = (folder / L"a.inf").wstring();
    return package;
}

struct Recorder {
    std::vector<int> Percents;
    int CancelAfterQueries = -1;  // -1: never
    int Queries = 0;

    OperationCallbacks Callbacks() {
        OperationCallbacks callbacks;
        callbacks.Progress = [this](const std::wstring& text, int percent) {
            EXPECT_EQ(text, GetText(1, 176));
            Percents.push_back(percent);
        };
        callbacks.Cancelled = [this] { return CancelAfterQueries >= 0 && Queries++ >= CancelAfterQueries; };
        return callbacks;
    }
};

}  // namespace

TEST(PackageSize, FolderSizeAddsEveryFileBelow) {
    test::TempFolder temp;
    const fs::path folder = temp.Path() / L"pkg";
    WriteFile(folder / L"a.inf", 100);
    WriteFile(folder / L"a.cat", 0);
    WriteFile(folder / L"x64\\a.sys", 70000);
    WriteFile(folder / L"x64\\deep\\er\\b.dll", 3);
    fs::create_directories(folder / L"empty");
    EXPECT_EQ(FolderSize(folder), 70103u);
    EXPECT_EQ(FolderSize(folder / L"empty"), 0u);
    EXPECT_EQ(FolderSize(temp.Path() / L"missing"), 0u);
    EXPECT_EQ(FolderSize(folder / L"a.inf"), 0u) << "a file is not a folder";
}

TEST(PackageSize, CacheKeyFollowsTheFolderState) {
    test::TempFolder temp;
    const fs::path folder = temp.Path() / L"pkg";
    fs::create_directories(folder);
    const std::wstring key = SizeCacheKey((temp.Path() / L"sub\\..\\pkg\\").wstring());
    const std::wstring prefix = NormalizePath(folder) + L"|";
    ASSERT_EQ(key.substr(0, prefix.size()), prefix);
    const std::wstring time = key.substr(prefix.size());
    ASSERT_FALSE(time.empty());
    EXPECT_GT(std::stoll(time), 116444736000000000LL) << "a FILETIME after 1970";
    EXPECT_EQ(SizeCacheKey((temp.Path() / L"missing").wstring()), NormalizePath(temp.Path() / L"missing") + L"|");

    PackageSizeCache cache;
    cache[L"C:\\A|1"] = 1;
    EXPECT_EQ(cache.count(L"c:\\a|1"), 1u) << "keys compare without regard to case";
}

TEST(PackageSize, SizePhaseMeasuresLocatedFoldersOnceAndStopsWhenCancelled) {
    test::TempFolder temp;
    const std::wstring root = temp.Path().wstring();
    const fs::path repository = temp.Path() / L"Windows\\System32\\DriverStore\\FileRepository";
    const fs::path first = repository / L"a.inf_amd64_1";
    const fs::path second = repository / L"b.inf_amd64_1";
    WriteFile(first / L"a.inf", 1000);
    WriteFile(second / L"a.inf", 2000);

    std::vector<DriverPackage> packages{StorePackage(first), StorePackage(repository / L"gone"),
                                        StorePackage(second)};
    PackageSizeCache cache;
    cache[SizeCacheKey(second.wstring())] = 123456;  // a size measured earlier
    Recorder recorder;
    ComputePackageSizes(packages, root, cache, 1, recorder.Callbacks());
    EXPECT_EQ(packages[0].SizeBytes, 1000u);
    EXPECT_EQ(packages[1].SizeBytes, 0u) << "not located";
    EXPECT_EQ(packages[2].SizeBytes, 123456u) << "taken from the cache";
    EXPECT_EQ(recorder.Percents, (std::vector<int>{60, 86})) << "nothing reported for a package not located";
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache[SizeCacheKey(first.wstring())], 1000u);

    // A changed folder gets a new entry; the old one stays.
    WriteFile(first / L"new.bin", 24);
    packages[0].SizeBytes = 0;
    std::vector<DriverPackage> again{packages[0]};
    ComputePackageSizes(again, root, cache, 1, {});
    EXPECT_EQ(again[0].SizeBytes, 1024u);
    EXPECT_EQ(cache.size(), 3u);

    // A cancel takes effect before the next package.
    std::vector<DriverPackage> fresh{StorePackage(first), StorePackage(second)};
    PackageSizeCache empty;
    Recorder cancelling;
    cancelling.CancelAfterQueries = 1;
    EXPECT_THROW(ComputePackageSizes(fresh, root, empty, 1, cancelling.Callbacks()), OperationCancelled);
    EXPECT_EQ(fresh[0].SizeBytes, 1024u);
    EXPECT_EQ(fresh[1].SizeBytes, 0u);
    EXPECT_EQ(cancelling.Percents, (std::vector<int>{60}));
}
