// The package index both checks share: hardware IDs numbered per family without
// regard to case, version order and revision stamps read as CompareVersions reads
// them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "analysis/hardware_id_coverage.h"
#include "analysis/package_index.h"
#include "old_versions_fixture.h"
#include "platform/hardware_id_order.h"

namespace {

using namespace oldversions;

TEST(PackageIndex, HardwareIdsAreNumberedOncePerFamilyWhateverTheirCase) {
    HardwareIdNumbering numbering;
    EXPECT_EQ(numbering.Number(L"PCI\\VEN_1F3A&DEV_0001"), 0u);
    EXPECT_EQ(numbering.Number(L"USB\\VID_1F3A&PID_0001"), 1u);
    EXPECT_EQ(numbering.Number(L"pci\\ven_1f3a&dev_0001"), 0u);
    // Beyond ASCII the run-time library's towlower decides; in the "C" locale the
    // program runs in it may fold nothing there.
    const bool folds = std::towlower(L'\u0414') == L'\u0434' && std::towlower(L'\u00C9') == L'\u00E9';
    const std::uint32_t capitals = numbering.Number(L"ROOT\\\u0414\u0418\u0421\u041A_\u00C9");
    EXPECT_EQ(capitals, 2u);
    EXPECT_EQ(numbering.Number(L"root\\\u0434\u0438\u0441\u043A_\u00E9") == capitals, folds);
    // Characters next to the ASCII letters are no letters.
    const std::uint32_t signs = numbering.Number(L"ROOT\\@[");
    EXPECT_NE(numbering.Number(L"root\\`{"), signs);
    std::uint32_t number = 99;
    EXPECT_TRUE(numbering.Find(L"root\\@[", number));
    EXPECT_EQ(number, signs);
    EXPECT_FALSE(numbering.Find(L"PCI\\VEN_1F3A&DEV_0001", number)) << "Find takes lower-cased text";
    EXPECT_FALSE(numbering.Find(L"pci\\ven_1f3a&dev_000", number));

    // Many IDs sharing long prefixes, as a display driver lists them, across growth.
    const std::size_t before = numbering.Count();
    for (int n = 0; n < 5000; ++n) ASSERT_EQ(numbering.Number(Id(10000 + n) + L"&SUBSYS_0001"), before + n);
    EXPECT_EQ(numbering.Count(), before + 5000);
    for (int n = 0; n < 5000; n += 7) {
        std::wstring lowered;
        LowerHardwareId(Id(10000 + n) + L"&SUBSYS_0001", lowered);
        ASSERT_TRUE(numbering.Find(lowered, number));
        EXPECT_EQ(number, before + n);
    }
}

// Lists read against the list before them number every ID as reading them one
// by one does, whatever was inserted, dropped, repeated or written otherwise.
TEST(PackageIndex, ListsReadAgainstThePreviousOneNumberLikeSingleIds) {
    std::mt19937 random(11);
    const auto edit = [&](std::vector<std::wstring> ids) {
        for (int change = std::uniform_int_distribution<int>(0, 4)(random); change > 0; --change) {
            const std::size_t at = ids.empty() ? 0 : random() % ids.size();
            switch (random() % 5) {
                case 0:
                    ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(at), Id(static_cast<int>(random() % 60)));
                    break;
                case 1:
                    if (!ids.empty()) ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(at));
                    break;
                case 2:
                    if (!ids.empty()) ids[at] = L"pci\\ven_1f3a&dev_00" + std::to_wstring(10 + random() % 50);
                    break;
                case 3:
                    if (!ids.empty()) ids.push_back(ids[at]);
                    break;
                default: ids.insert(ids.begin() + static_cast<std::ptrdiff_t>(at), L""); break;
            }
        }
        return ids;
    };
    // As the INF reader delivers them, which lets a list be walked beside the
    // previous one; half of the rounds keep that order.
    const auto sorted = [](std::vector<std::wstring> ids) {
        std::sort(ids.begin(), ids.end(),
                  [](const std::wstring& a, const std::wstring& b) { return CompareHardwareIds(a, b) < 0; });
        return ids;
    };
    for (int round = 0; round < 200; ++round) {
        HardwareIdNumbering byList;
        HardwareIdNumbering oneByOne;
        std::vector<std::wstring> previous;
        std::vector<std::uint32_t> previousNumbers;
        std::vector<std::wstring> ids = Ids(0, 30);
        for (int version = 0; version < 8; ++version) {
            if (round % 2 == 0) ids = sorted(ids);
            std::vector<std::uint32_t> numbers;
            byList.NumberList(ids, previous, previousNumbers, numbers);
            ASSERT_EQ(numbers.size(), ids.size());
            for (std::size_t k = 0; k < ids.size(); ++k) {
                const std::uint32_t expected =
                    ids[k].empty() ? HardwareIdNumbering::kNoNumber : oneByOne.Number(ids[k]);
                ASSERT_EQ(numbers[k], expected) << "round " << round << ", version " << version << ", " << ids[k];
            }
            previous = ids;
            previousNumbers = numbers;
            ids = edit(ids);
        }
        EXPECT_EQ(byList.Count(), oneByOne.Count());
    }
}

TEST(PackageIndex, FamiliesAndDuplicateIds) {
    std::vector<DriverPackage> packages{
        Package(L"oem1.inf", L"a.inf", L"1.0", L"2020-01-01", {Id(1), Id(2), L"pci\\ven_1f3a&dev_0001", L""}),
        Package(L"C:\\Windows\\INF\\OEM2.INF", L"A.INF", L"2.0", L"2021-01-01", {Id(2), Id(3)}),
        Package(L"oem3.inf", L"a.inf", L"2.0", L"2021-01-01", {Id(3)}),
    };
    packages[2].Provider = L"Marrowfen";
    const PackageIndex index = BuildPackageIndex(packages);
    ASSERT_EQ(index.Families.size(), 2u);
    EXPECT_EQ(index.Families[0].Members, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(index.Families[1].Members, (std::vector<std::size_t>{2}));
    // A package lists each ID once; an empty ID is no ID. The newest version is
    // numbered first.
    EXPECT_EQ(index.Packages[1].HardwareIds, (HardwareIdNumbers{0, 1}));
    EXPECT_EQ(index.Packages[0].HardwareIds, (HardwareIdNumbers{2, 0}));
    EXPECT_EQ(index.Packages[2].HardwareIds, (HardwareIdNumbers{0}));
    EXPECT_EQ(index.LargestFamilyIdCount, 3u);
    EXPECT_EQ(index.Packages[1].PublishedName, L"OEM2.INF");
    EXPECT_TRUE(HaveSameInfName(index, 0, 1));
    EXPECT_TRUE(IsNewerPackage(index, 1, 0));
}

TEST(PackageIndex, RevisionStampsAreCanonicalVersionAndDate) {
    using Numbers = std::vector<std::uint64_t>;
    struct Case {
        std::wstring Version;
        std::wstring Date;
        RevisionStamp Stamp;
    };
    const Case cases[] = {
        {L"1.0.0.0", L"2024-03-05", {{1}, {2024, 3, 5}}},
        {L"31.0.15.3623", L"2024-3-5", {{31, 0, 15, 3623}, {2024, 3, 5}}},
        {L"0.0", L"", {{0}, {}}},
        {L"", L"", {{}, {}}},
        {L"v2, build 07", L"2024-03-05-00", {{2, 7}, {2024, 3, 5, 0}}},
        {L"99999999999999999999999.1.0", L"1", {{18446744073709551615ull, 1}, {1}}},
    };
    for (const Case& c : cases) {
        const PackageIndex index = BuildPackageIndex({Package(L"oem1.inf", L"a.inf", c.Version, c.Date, {})});
        EXPECT_EQ(index.Packages[0].Revision.Version, c.Stamp.Version) << c.Version;
        EXPECT_EQ(index.Packages[0].Revision.Date, c.Stamp.Date) << c.Date;
    }
    // Trailing zeros of the version make no other revision; of the date they do.
    const PackageIndex index = BuildPackageIndex({Package(L"oem1.inf", L"a.inf", L"2.1", L"2024-03-05", {}),
                                                  Package(L"oem2.inf", L"a.inf", L"2.1.0.0", L"2024-3-5", {}),
                                                  Package(L"oem3.inf", L"a.inf", L"2.1", L"2024-03-05-0", {})});
    EXPECT_EQ(index.Packages[0].Revision, index.Packages[1].Revision);
    EXPECT_FALSE(index.Packages[0].Revision == index.Packages[2].Revision);
    EXPECT_EQ(index.Packages[0].Revision.Version, Numbers({2, 1}));
}

// Ranks are read once per package; they must order exactly as CompareVersions does.
TEST(PackageIndex, NewerOrderAgreesWithCompareVersions) {
    std::mt19937 random(7);
    const std::vector<std::wstring> parts{
        L"0", L"1", L"01", L"9", L"10", L"18446744073709551615", L"18446744073709551616", L"", L"x"};
    const std::vector<std::wstring> separators{L".", L"-", L" ", L".."};
    const auto text = [&] {
        std::wstring result;
        const int count = std::uniform_int_distribution<int>(0, 4)(random);
        for (int k = 0; k < count; ++k) {
            if (k > 0) result += separators[random() % separators.size()];
            result += parts[random() % parts.size()];
        }
        return result;
    };
    for (int round = 0; round < 200; ++round) {
        std::vector<DriverPackage> family;
        for (int k = 0; k < 8; ++k)
            family.push_back(Package(L"oem" + std::to_wstring(k) + L".inf", L"a.inf", text(), text(), {}));
        const PackageIndex index = BuildPackageIndex(family);
        for (std::size_t a = 0; a < family.size(); ++a) {
            for (std::size_t b = 0; b < family.size(); ++b) {
                const int version = CompareVersions(family[a].Version, family[b].Version);
                const bool newer = version > 0 || (version == 0 && CompareVersions(family[a].Date, family[b].Date) > 0);
                ASSERT_EQ(IsNewerPackage(index, a, b), newer) << family[a].Version << L" " << family[a].Date << L" / "
                                                              << family[b].Version << L" " << family[b].Date;
            }
        }
    }
}

// Coverage counts the IDs two members share, letter case aside, whether the
// index keeps the family's IDs as bits or only as number lists.
TEST(PackageIndex, CoverageCountsSharedIdsEitherWay) {
    std::mt19937 random(3);
    bool sawBits = false;
    bool sawLists = false;
    for (int round = 0; round < 300; ++round) {
        const int pool = std::uniform_int_distribution<int>(1, 200)(random);
        const int members = std::uniform_int_distribution<int>(1, 12)(random);
        const int most = std::uniform_int_distribution<int>(0, 40)(random);
        std::vector<DriverPackage> family;
        std::vector<std::set<int>> sets;
        for (int m = 0; m < members; ++m) {
            std::vector<std::wstring> ids;
            std::set<int> set;
            for (int k = std::uniform_int_distribution<int>(0, most)(random); k > 0; --k) {
                const int n = static_cast<int>(random() % pool);
                std::wstring id = Id(n);
                if (random() % 3 == 0)
                    for (wchar_t& c : id) c = static_cast<wchar_t>(std::towlower(c));
                ids.push_back(id);
                set.insert(n);
            }
            family.push_back(Package(L"oem" + std::to_wstring(m) + L".inf", L"a.inf",
                                     L"1." + std::to_wstring(m), L"2020-01-01", ids));
            sets.push_back(set);
        }
        const PackageIndex index = BuildPackageIndex(family);
        ASSERT_EQ(index.Families.size(), 1u);
        (index.Families[0].IdBitWords > 0 ? sawBits : sawLists) = true;
        HardwareIdMarks marks(index.LargestFamilyIdCount);
        for (std::size_t i = 0; i < family.size(); ++i) {
            for (const bool fromList : {false, true}) {
                if (fromList) {
                    marks.Hold(index.Packages[i].HardwareIds);
                } else {
                    marks.Hold(index, i);
                }
                for (std::size_t j = 0; j < family.size(); ++j) {
                    std::size_t shared = 0;
                    for (const int n : sets[i]) shared += sets[j].count(n);
                    const IdCoverage coverage = marks.CoverageBy(index, j);
                    const bool bothListed = !sets[i].empty() && !sets[j].empty();
                    ASSERT_EQ(coverage.Total, sets[i].size());
                    ASSERT_EQ(coverage.Matched, bothListed ? shared : 0u)
                        << "round " << round << ", " << i << " by " << j;
                    ASSERT_EQ(coverage.AllCovered, bothListed && shared == sets[i].size());
                }
            }
        }
    }
    EXPECT_TRUE(sawBits);
    EXPECT_TRUE(sawLists);
}

}  // namespace
