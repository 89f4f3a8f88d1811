#pragma once
// What the old-version and newer-version checks know of a package list, worked
// out once per run: each package's driver family (class, extension ID and
// provider), how the family's versions order, which packages are the same
// revision, and every hardware ID as a number local to its family, so that
// comparing two packages never compares text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/hardware_id_numbering.h"
#include "analysis/inf_name_set.h"
#include "platform/driver_package.h"

// Distinct numbers of lower-cased hardware IDs within one family.
using HardwareIdNumbers = std::vector<std::uint32_t>;

// A version and date as the index compares them, read once: the version's
// numbers without trailing zeros (one always stays), the date's numbers as they
// are. Equal stamps mark two copies of one revision.
struct RevisionStamp {
    std::vector<std::uint64_t> Version;
    std::vector<std::uint64_t> Date;
    bool operator==(const RevisionStamp&) const = default;
};

struct IndexedPackage {
    std::wstring PublishedName;  // file-name part: the package's identity in every name set
    std::wstring NameKey;        // the same lower-cased, as bindings are looked up by
    bool Oem = false;            // IsOemPackage, asked once
    std::size_t Family = 0;      // index into PackageIndex::Families
    // The original INF name, lower-cased, numbered within the family: equal numbers,
    // equal names. With the family it makes the revision key.
    std::uint32_t InfName = 0;
    RevisionStamp Revision;
    // Position of version and date in the family's order; equally new packages share it.
    std::uint32_t NewerRank = 0;
    HardwareIdNumbers HardwareIds;
    std::size_t IdBitsAt = 0;  // where the same stand in the family's IdBits, when it keeps them
};

struct DriverFamily {
    std::vector<std::size_t> Members;      // package indices, ascending
    std::vector<std::size_t> NewestFirst;  // the members by NewerRank, descending; equals in list order
    HardwareIdNumbering HardwareIds;
    // Each member's IDs as one bit per family number, IdBitWords words a member,
    // kept when that takes no more room than the members' number lists: then
    // comparing two members costs a few words rather than a pass over a list.
    std::size_t IdBitWords = 0;
    std::vector<std::uint64_t> IdBits;
};

struct PackageIndex {
    std::vector<IndexedPackage> Packages;  // in list order
    std::vector<DriverFamily> Families;
    std::size_t LargestFamilyIdCount = 0;  // distinct hardware IDs of the richest family
};

PackageIndex BuildPackageIndex(const std::vector<DriverPackage>& packages);

// The number of a lower-cased hardware ID in package `i`'s family; false when no
// package of the family lists it.
bool FindFamilyHardwareId(const PackageIndex& index, std::size_t i, const std::wstring& lowered, std::uint32_t& number);

// Package `x` has a later version, or the same version and a later date, than
// `y` of the same family.
inline bool IsNewerPackage(const PackageIndex& index, std::size_t x, std::size_t y) {
    return index.Packages[x].NewerRank > index.Packages[y].NewerRank;
}

// The two packages have the same original INF name, letter case aside.
inline bool HaveSameInfName(const PackageIndex& index, std::size_t a, std::size_t b) {
    return index.Packages[a].InfName == index.Packages[b].InfName;
}

// Per package: the file-name part of its published name is in `usedInfs`
// (compared lower-cased, which is how the set's own comparison matches names).
std::vector<bool> PackagesInUse(const PackageIndex& index, const InfNameSet& usedInfs);

// A package in use with the same original INF, version and date as package `i`
// belongs to its family: `i` is a copy of a driver a device uses.
bool IsSameRevisionInUse(const PackageIndex& index, const std::vector<bool>& inUse, std::size_t i);

// The printer class installer's INF, which removal must never touch.
bool IsPrinterClassInf(const std::wstring& originalInfName);

// Everything a package needs to stand in for another: an original INF name
// other than the printer class INF, every hardware ID read, a models section for
// the target and a version.
bool HasReplacementData(const DriverPackage& package);
