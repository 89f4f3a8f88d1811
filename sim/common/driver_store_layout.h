#pragma once
// Where a Windows image keeps its third-party driver packages, shared by the
// stand-in DISM and the fixture builder so both name store folders alike.
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// Relative to the image's Windows folder.
inline constexpr wchar_t kPublishedInfFolder[] = L"INF";
inline constexpr wchar_t kDriverStoreFolder[] = L"System32\\DriverStore";
inline constexpr wchar_t kFileRepositoryFolder[] = L"System32\\DriverStore\\FileRepository";

// A file in the Driver Store folder of an offline image holding the drive ("D:")
// under which that image believes it lives. Lets an offline fixture report INF
// paths of "another system", the way a disk taken from another machine does.
inline constexpr wchar_t kImageDriveMarkerFile[] = L"sim-image-drive.txt";

// 64-bit FNV-1a of the INF's bytes as 16 lower-case hexadecimal digits.
std::wstring StoreFolderHash(std::string_view infBytes);

// "<inf name, lower-case>_<architecture>_<hash>".
std::wstring StoreFolderName(const std::wstring& infName, const std::wstring& architecture, const std::wstring& hash);

struct StoreFolderParts {
    std::wstring InfName;
    std::wstring Architecture;
    std::wstring Hash;
};

// Splits a FileRepository folder name from the right; false when it does not
// end in "_<architecture>_<16 hex digits>" after a non-empty INF name.
bool ParseStoreFolderName(const std::wstring& folderName, StoreFolderParts& parts);

// "oem<digits>.inf" without regard to case; the number saturates at UINT32_MAX.
bool ParsePublishedInfName(const std::wstring& fileName, std::uint32_t& number);

// A drive marker's content: a letter and a colon, surrounding blanks allowed.
bool ParseImageDrive(std::string_view markerBytes, std::wstring& drive);

}  // namespace sim
