#include "analysis/package_index.h"

#include <algorithm>
#include <limits>
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

// Class (its GUID, else its name), extension ID and provider.
std::wstring FamilyKey(const DriverPackage& package) {
    return Lowered(package.ClassGuid.empty() ? package.ClassName : package.ClassGuid) + kKeySeparator +
           Lowered(package.ExtensionId) + kKeySeparator + Lowered(package.Provider);
}

using TextNumbers = std::vector<std::uint64_t>;

// The numbers of a version or date text as CompareVersions reads them: maximal
// runs of 0-9, each at most the largest 64-bit value. Read once per package, so
// that ordering a family does not read every text again for each comparison.
TextNumbers ReadNumbers(const std::wstring& text) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    TextNumbers numbers;
    bool inRun = false;
    for (const wchar_t c : text) {
        const bool digit = c >= L'0' && c <= L'9';
        if (digit) {
            if (!inRun) numbers.push_back(0);
            const auto value = static_cast<std::uint64_t>(c - L'0');
            std::uint64_t& number = numbers.back();
            number = number > (kMax - value) / 10 ? kMax : number * 10 + value;
        }
        inRun = digit;
    }
    return numbers;
}

// As CompareVersions: element by element, a missing number counting as 0.
int CompareNumbers(const TextNumbers& a, const TextNumbers& b) {
    for (std::size_t k = 0; k < std::max(a.size(), b.size()); ++k) {
        const std::uint64_t x = k < a.size() ? a[k] : 0;
        const std::uint64_t y = k < b.size() ? b[k] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

std::wstring JoinNumbers(const TextNumbers& numbers, std::size_t count) {
    std::wstring text;
    for (std::size_t k = 0; k < count; ++k) {
        if (k > 0) text += L'.';
        text += std::to_wstring(numbers[k]);
    }
    return text;
}

struct PackageAge {
    TextNumbers Version;
    TextNumbers Date;
};

bool IsOlder(const PackageAge& a, const PackageAge& b) {
    const int version = CompareNumbers(a.Version, b.Version);
    return version < 0 || (version == 0 && CompareNumbers(a.Date, b.Date) < 0);
}

// The version without trailing zero numbers (one number always stays), and the
// date's numbers as they are: 1.0.0.0 and 2024-03-05 give "1" and "2024.3.5".
std::wstring RevisionStamp(const PackageAge& age) {
    std::size_t versionCount = age.Version.size();
    while (versionCount > 1 && age.Version[versionCount - 1] == 0) --versionCount;
    return JoinNumbers(age.Version, versionCount) + kKeySeparator + JoinNumbers(age.Date, age.Date.size());
}

void RankFamily(const std::vector<PackageAge>& ages, DriverFamily& family, PackageIndex& index) {
    family.NewestFirst = family.Members;
    std::vector<std::size_t>& order = family.NewestFirst;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return IsOlder(ages[b], ages[a]); });
    std::uint32_t rank = 0;
    for (std::size_t k = order.size(); k-- > 0;) {
        if (k + 1 < order.size() && IsOlder(ages[order[k + 1]], ages[order[k]])) ++rank;
        index.Packages[order[k]].NewerRank = rank;
    }
}

void NumberInfNames(const std::vector<DriverPackage>& packages, const DriverFamily& family, PackageIndex& index) {
    std::unordered_map<std::wstring, std::uint32_t> numbers;
    for (const std::size_t i : family.Members) {
        const auto [entry, added] =
            numbers.try_emplace(Lowered(packages[i].OriginalInfName), static_cast<std::uint32_t>(numbers.size()));
        index.Packages[i].InfName = entry->second;
    }
}

// Numbers the family's IDs in order of first appearance; a package lists each
// once. Each member is read against the one before it, usually the version before.
void NumberHardwareIds(const std::vector<DriverPackage>& packages, DriverFamily& family, PackageIndex& index) {
    static const std::vector<std::wstring> kNoIds;
    const std::vector<std::wstring>* previousIds = &kNoIds;
    std::vector<std::uint32_t> previousNumbers;
    std::vector<std::uint32_t> numbersInOrder;
    std::vector<std::size_t> lastLister;  // per number: 1 + the package that listed it last
    for (const std::size_t i : family.Members) {
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

}  // namespace

PackageIndex BuildPackageIndex(const std::vector<DriverPackage>& packages) {
    PackageIndex index;
    index.Packages.resize(packages.size());
    std::vector<PackageAge> ages(packages.size());
    std::unordered_map<std::wstring, std::size_t> familyOfKey;
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const DriverPackage& package = packages[i];
        IndexedPackage& indexed = index.Packages[i];
        indexed.PublishedName = FileNamePart(package.PublishedName);
        indexed.NameKey = Lowered(indexed.PublishedName);
        ages[i] = {ReadNumbers(package.Version), ReadNumbers(package.Date)};
        indexed.RevisionStamp = RevisionStamp(ages[i]);
        const auto [family, added] = familyOfKey.try_emplace(FamilyKey(package), index.Families.size());
        if (added) index.Families.emplace_back();
        indexed.Family = family->second;
        index.Families[indexed.Family].Members.push_back(i);
    }
    for (DriverFamily& family : index.Families) {
        RankFamily(ages, family, index);
        NumberInfNames(packages, family, index);
        NumberHardwareIds(packages, family, index);
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
        if (inUse[j] && member.InfName == package.InfName && member.RevisionStamp == package.RevisionStamp) return true;
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
