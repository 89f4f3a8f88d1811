#pragma once
// The [Version] values of an INF that tell which package it belongs to, read
// without walking its models sections (which can run to thousands of lines).
#include <windows.h>

#include <setupapi.h>

#include <string>

struct InfVersionFields {
    std::wstring Version;      // DriverVer field 2 as written
    std::wstring Date;         // DriverVer field 1, normalised to YYYY-MM-DD where it can be
    std::wstring ClassName;    // Class, %token% resolved
    std::wstring ClassGuid;
    std::wstring ExtensionId;
};

// The same values ReadInfPackage gives for these fields. False, with `fields`
// untouched, when the INF cannot be opened.
[[nodiscard]] bool ReadInfVersionFields(const std::wstring& path, InfVersionFields& fields);
// The same from an INF already open.
InfVersionFields ReadInfVersionFields(HINF inf);
