#pragma once
// SetupDiGetActualModelsSectionW where setupapi.dll exports it, and our own
// implementation of the same contract where it does not (Wine lacks it).
#include <windows.h>

#include <setupapi.h>

using ActualModelsSectionFunction = decltype(&::SetupDiGetActualModelsSectionW);

// The system function's contract: `Context` is a [Manufacturer] line;
// `AlternatePlatformInfo` is null (the running system) or a 28- or 36-byte
// structure (AltPlatformInfoV3) for Platform VER_PLATFORM_WIN32_NT. A null buffer of
// size 0 only reports `RequiredSize` (characters with the NUL); a short buffer
// fails with ERROR_INSUFFICIENT_BUFFER. A line that offers nothing for the
// platform fails with ERROR_NO_COMPAT_DRIVERS.
BOOL WINAPI GetActualModelsSection(PINFCONTEXT Context, PSP_ALTPLATFORM_INFO AlternatePlatformInfo,
                                   PWSTR InfSectionWithExt, DWORD InfSectionWithExtSize, PDWORD RequiredSize,
                                   PVOID Reserved);

// The system's function when setupapi.dll exports it, otherwise ours; resolved once.
ActualModelsSectionFunction ResolveActualModelsSection();
