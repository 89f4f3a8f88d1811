#include "analysis/package_index.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "platform/package_text.h"

namespace {

constexpr wchar_t kKeySeparator = L'\x1F';

std::wstring Lowered(std::wstring_view text) {
    std::wstring lowered;
    LowerHardwareId(text, lowered);
    return lowered;
}

// Class (its GUID, else its name), extension ID and provider, lower-cased into
// `key`, through `scratch`; both keep their storage from package to package.
void FamilyKey(const DriverPackage& package, std::wstring& key, std::wstring& scratch) {
    LowerHardwareId(package.ClassGuid.empty() ? package.ClassName : package.ClassGuid, key);
    for (const std::wstring* part : {&package.ExtensionId, &package.Provider}) {
        LowerHardwareId(*part, scratch);
        key += kKeySeparator;
        key += scratch;
    }
}

// The version without trailing zero numbers (one number always stays), the
// date's numbers as they are: 1.0.0.0 and 2024-03-05 give 1 and 2024.3.5. A
// missing number compares as 0, so the stamp orders packages as their texts do.
RevisionStamp StampOf(const DriverPackage& package) {
    RevisionStamp stamp{VersionNumbers(package.Version), VersionNumbers(package.Date)};
    while (stamp.Version.size() > 1 && stamp.Version.back() == 0) stamp.Version.pop_back();
    return stamp;
}

bool IsOlder(const RevisionStamp& a, const RevisionStamp& b) {
    const int version = CompareVersionNumbers(a.Version, b.Version);
    return version < 0 || (version == 0 && CompareVersionNumbers(a.Date, b.Date) < 0);
}

void RankFamily(DriverFamily& family, PackageIndex& index) {
    const auto isOlder = [&](std::size_t a, std::size_t b) {
        return IsOlder(index.Packages[a].Revision, index.Packages[b].Revision);
    };
    family.NewestFirst = family.Members;
    std::vector<std::size_t>& order = family.NewestFirst;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return isOlder(b, a); });
    std::uint32_t rank = 0;
    for (std::size_t k = order.size(); k-- > 0;) {
        if (k + 1 < order.size() && isOlder(order[k + 1], order[k])) ++rank;
        index.Packages[order[k]].NewerRank = rank;
    }
}

// `numbers` and `lowered` only lend their storage.
void NumberInfNames(const std::vector<DriverPackage>& packages, const DriverFamily& family, PackageIndex& index,
                    std::unordered_map<std::wstring, std::uint32_t>& numbers, std::wstring& lowered) {
    numbers.clear();
    for (const std::size_t i : family.Members) {
        LowerHardwareId(packages[i].OriginalInfName, lowered);
        const auto [entry, added] = numbers.try_emplace(lowered, static_cast<std::uint32_t>(numbers.size()));
        index.Packages[i].InfName = entry->second;
    }
}

// Numbers the family's IDs; a package lists each once. The members are read
// newest first, each against the version just before it in that order, which
// lists nearly the same IDs.
void NumberHardwareIds(const std::vector<DriverPackage>& packages, DriverFamily& family, PackageIndex& index) {
    // Room for the newest version's IDs and a quarter more, so that numbering
    // the family seldom moves what it has stored.
    const std::vector<std::wstring>& newest = packages[family.NewestFirst.front()].HardwareIds;
    std::size_t characters = 0;
    for (const std::wstring& id : newest) characters += id.size();
    family.HardwareIds.Reserve(newest.size() + newest.size() / 4, characters + characters / 4);

    static const std::vector<std::wstring> kNoIds;
    const std::vector<std::wstring>* previousIds = &kNoIds;
    std::vector<std::uint32_t> previousNumbers;
    std::vector<std::uint32_t> numbersInOrder;
    std::vector<std::size_t> lastLister;  // per number: 1 + the package that listed it last
    for (const std::size_t i : family.NewestFirst) {
        const std::vector<std::wstring>& ids = packages[i].HardwareIds;
        family.HardwareIds.NumberList(ids, *previousIds, previousNumbers, numbersInOrder);
        lastLister.resize(family.HardwareIds.Count());
        HardwareIdNumbers& numbers = index.Packages[i].HardwareIds;
        numbers.reserve(ids.size());
        for (const std::uint32_t number : numbersInOrder) {
            if (number == HardwareIdNumbering::kNoNumber || lastLister[number] == i + 1) continue;
            lastLister[number] = i + 1;
            numbers.push_back(number);
        }
        previousIds = &ids;
        std::swap(previousNumbers, numbersInOrder);
    }
    index.LargestFamilyIdCount = std::max(index.LargestFamilyIdCount, lastLister.size());
}

void KeepIdBits(DriverFamily& family, PackageIndex& index) {
    const std::size_t words = (family.HardwareIds.Count() + 63) / 64;
    std::size_t listed = 0;
    for (const std::size_t i : family.Members) listed += index.Packages[i].HardwareIds.size();
    // No more room than the number lists: a word takes the room of two numbers.
    if (words == 0 || words * 2 * family.Members.size() > listed) return;
    family.IdBitWords = words;
    family.IdBits.assign(words * family.Members.size(), 0);
    for (std::size_t k = 0; k < family.Members.size(); ++k) {
        IndexedPackage& package = index.Packages[family.Members[k]];
        package.IdBitsAt = k * words;
        std::uint64_t* bits = family.IdBits.data() + package.IdBitsAt;
        for (const std::uint32_t number : package.HardwareIds) bits[number / 64] |= std::uint64_t{1} << (number % 64);
    }
}

}  // namespace

PackageIndex BuildPackageIndex(const std::vector<DriverPackage>& packages) {
    PackageIndex index;
    index.Packages.resize(packages.size());
    std::unordered_map<std::wstring, std::size_t> familyOfKey;
    std::wstring key;
    std::wstring scratch;
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const DriverPackage& package = packages[i];
        IndexedPackage& indexed = index.Packages[i];
        indexed.PublishedName = FileNamePart(package.PublishedName);
        indexed.NameKey = Lowered(indexed.PublishedName);
        indexed.Oem = IsOemPackage(package);
        indexed.Revision = StampOf(package);
        FamilyKey(package, key, scratch);
        const auto [family, added] = familyOfKey.try_emplace(key, index.Families.size());
        if (added) index.Families.emplace_back();
        indexed.Family = family->second;
        index.Families[indexed.Family].Members.push_back(i);
    }
    std::unordered_map<std::wstring, std::uint32_t> infNumbers;
    for (DriverFamily& family : index.Families) {
        RankFamily(family, index);
        NumberInfNames(packages, family, index, infNumbers, scratch);
        NumberHardwareIds(packages, family, index);
        KeepIdBits(family, index);
    }
    return index;
}

bool FindFamilyHardwareId(const PackageIndex& index, std::size_t i, const std::wstring& lowered,
                          std::uint32_t& number) {
    return index.Families[index.Packages[i].Family].HardwareIds.Find(lowered, number);
}

std::vector<bool> PackagesInUse(const PackageIndex& index, const InfNameSet& usedInfs) {
    // One hash lookup per package instead of a search of the set, whose
    // comparison costs a locale look-up in the run-time library each time.
    std::unordered_set<std::wstring> used;
    for (const std::wstring& name : usedInfs) used.insert(Lowered(name));
    std::vector<bool> inUse(index.Packages.size());
    for (std::size_t i = 0; i < inUse.size(); ++i) inUse[i] = used.contains(index.Packages[i].NameKey);
    return inUse;
}

bool IsSameRevisionInUse(const PackageIndex& index, const std::vector<bool>& inUse, std::size_t i) {
    const IndexedPackage& package = index.Packages[i];
    for (const std::size_t j : index.Families[package.Family].Members) {
        const IndexedPackage& member = index.Packages[j];
        if (inUse[j] && member.InfName == package.InfName && member.Revision == package.Revision) return true;
    }
    return false;
}

bool IsPrinterClassInf(const std::wstring& originalInfName) {
    static const std::wstring kPrinterClassInf = L"ntprint.inf";
    return originalInfName.size() == kPrinterClassInf.size() && SameInfName(originalInfName, kPrinterClassInf);
}

bool HasReplacementData(const DriverPackage& package) {
    return !package.OriginalInfName.empty() && !IsPrinterClassInf(package.OriginalInfName) &&
           package.HardwareIdsComplete && package.HasModelsSection && !package.Version.empty();
}
