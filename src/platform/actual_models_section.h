#pragma once
// SetupDiGetActualModelsSectionW where setupapi.dll exports it, and our own
// implementation of the same contract where it does not (Wine lacks it).
#include <windows.h>

#include <setupapi.h>

struct AltPlatformInfoV3;

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

// Calls the resolved function (or the one put in its place) with `platform`, or
// with null for the running system. SetupAPI of Windows 7 and 8.1 (and of PE
// images built from them) may refuse any structure but the 28-byte V2: when the
// 36-byte one fails with ERROR_INVALID_PARAMETER or ERROR_INVALID_USER_BUFFER, the
// call is made once more with the V2 size, without product type and build. When
// that retry is not refused the same way, the rest of the run passes V2 only.
BOOL CallActualModelsSection(PINFCONTEXT context, const AltPlatformInfoV3* platform, PWSTR section, DWORD size);

// Puts `function` in the place of the resolved one for CallActualModelsSection
// (null restores the resolved one) and forgets which structure size it takes.
// Returns the function it replaces (null: the resolved one).
ActualModelsSectionFunction ReplaceActualModelsSection(ActualModelsSectionFunction function);
