#pragma once
// Types and signatures of the public DISM API header, declared in a namespace of
// their own: the platform header's `DismSession` typedef would collide with the
// session wrapper of the same name. Layouts follow the header's 1-byte packing.
#include <windows.h>

#include <cstddef>

namespace dism {

using Session = UINT;

inline constexpr wchar_t kOnlineImage[] = L"DISM_{53BFAE52-B167-4E2F-A258-0A37B57FF845}";
inline constexpr int kLogErrorsWarningsInfo = 2;

#pragma pack(push, 1)
struct String {
    PCWSTR Value;
};

struct DriverPackage {
    PCWSTR PublishedName;
    PCWSTR OriginalFileName;
    BOOL InBox;
    PCWSTR CatalogFile;
    PCWSTR ClassName;
    PCWSTR ClassGuid;
    PCWSTR ClassDescription;
    BOOL BootCritical;
    int DriverSignature;
    PCWSTR ProviderName;
    SYSTEMTIME Date;
    UINT MajorVersion;
    UINT MinorVersion;
    UINT Build;
    UINT Revision;
};
#pragma pack(pop)

static_assert(sizeof(String) == 8);
static_assert(offsetof(DriverPackage, InBox) == 16);
static_assert(offsetof(DriverPackage, CatalogFile) == 20);
static_assert(offsetof(DriverPackage, BootCritical) == 52);
static_assert(offsetof(DriverPackage, ProviderName) == 60);
static_assert(offsetof(DriverPackage, Date) == 68);
static_assert(offsetof(DriverPackage, MajorVersion) == 84);
static_assert(sizeof(DriverPackage) == 100);

using InitializeFn = HRESULT(WINAPI*)(int logLevel, PCWSTR logFilePath, PCWSTR scratchDirectory);
using ShutdownFn = HRESULT(WINAPI*)();
using OpenSessionFn = HRESULT(WINAPI*)(PCWSTR imagePath, PCWSTR windowsDirectory, PCWSTR systemDrive,
                                       Session* session);
using CloseSessionFn = HRESULT(WINAPI*)(Session session);
using GetDriversFn = HRESULT(WINAPI*)(Session session, BOOL allDrivers, DriverPackage** packages, UINT* count);
using AddDriverFn = HRESULT(WINAPI*)(Session session, PCWSTR driverPath, BOOL forceUnsigned);
using RemoveDriverFn = HRESULT(WINAPI*)(Session session, PCWSTR driverPath);
using DeleteFn = HRESULT(WINAPI*)(void* structure);
using GetLastErrorMessageFn = HRESULT(WINAPI*)(String** errorMessage);

}  // namespace dism
