#pragma once
// One INF file read into a DriverPackage through SetupAPI: the [Version] values
// and the hardware IDs its models sections offer for a platform.
#include <windows.h>

#include <setupapi.h>

#include <string>
#include <vector>

#include "core/localized_text.h"
#include "platform/driver_package.h"
#include "platform/offline_windows_version.h"

struct InfModelIds {
    std::vector<std::wstring> Ids;  // upper case, unique, in case-insensitive order
    bool Complete = false;          // every models line could be read for the platform
    bool HasModels = false;         // some models section for the platform has lines
};

// Never fails: an unreadable INF gives the path-derived fields and the defaults.
// The hardware IDs are those for the running platform.
DriverPackage ReadInfPackage(const std::wstring& path);

// Field `field` of the first line of `section` with `key`, trimmed of space, tab,
// CR and LF; empty when absent.
std::wstring ReadInfValue(HINF inf, const std::wstring& section, const std::wstring& key, DWORD field);

// A value that is exactly %token% becomes the token's [Strings] text when there is
// one; anything else is returned unchanged.
std::wstring ResolveInfString(HINF inf, const std::wstring& value);

// The group text of a setup class (or of a group name stored in Russian) in
// `language`; unknown classes are returned unchanged.
std::wstring MapClassToGroupText(const std::wstring& className, LangId language);

// M/D/YYYY becomes YYYY-MM-DD; text of any other shape is returned unchanged.
std::wstring NormalizeDriverDate(const std::wstring& raw);

// The hardware IDs of the INF's models sections for `target`, or for the running
// platform when `target` is null.
InfModelIds ReadInfModelIds(const std::wstring& path, const OfflineWindowsVersion* target);
// The same from an INF already open, for callers that read more of it: an INF
// costs most when it is opened, which parses every line.
InfModelIds ReadInfModelIds(HINF inf, const OfflineWindowsVersion* target);

// Trimmed, unquoted and upper-cased (ASCII letters); empty when the text is not a
// usable hardware ID (no backslash, or blanks inside).
std::wstring NormalizeHardwareId(const std::wstring& raw);

// The text of one field of an INF line, as SetupGetStringFieldW gives it. False
// with the SetupAPI error in GetLastError when the field cannot be read.
[[nodiscard]] bool ReadInfField(const INFCONTEXT& line, DWORD field, std::wstring& text);
