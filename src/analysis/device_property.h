#pragma once
// The device properties the bindings read, and the rules a value must meet to be
// believed. Reads go through SetupDiGetDevicePropertyW on an element of a device
// information list.
#include <windows.h>

#include <setupapi.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

enum class DriverInfPathRead { Found, Absent, Failed };

// DEVPKEY_Device_DriverInfPath. Found: a non-empty path. Absent: the device has no
// driver (or reports an empty path), which is no error. Failed: `code` says why;
// a value of the wrong type or size counts as ERROR_INVALID_DATA.
DriverInfPathRead ReadDriverInfPath(HDEVINFO devices, SP_DEVINFO_DATA& device, std::wstring& path, DWORD& code);

// A string (list = false) or string list property. ERROR_SUCCESS with the values;
// ERROR_NOT_FOUND when the device lacks it; another code when it cannot be read
// or breaks the rules of DecodePropertyStrings.
DWORD ReadDeviceStrings(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key, bool list,
                        std::vector<std::wstring>& values);

// A DEVPROP_TYPE_BOOLEAN of one byte, or a DEVPROP_TYPE_UINT32 of four; nothing otherwise.
std::optional<bool> ReadDeviceBoolean(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key);
std::optional<ULONG> ReadDeviceUint32(HDEVINFO devices, SP_DEVINFO_DATA& device, const DEVPROPKEY& key);

// DEVPKEY_Device_InstanceId; where the platform does not report that property,
// SetupDiGetDeviceInstanceIdW, which gives the same value.
std::optional<std::wstring> ReadDeviceInstanceId(HDEVINFO devices, SP_DEVINFO_DATA& device);

// A property size worth asking for: even, from 2 bytes to 1 MiB.
bool IsAcceptedPropertySize(DWORD bytes) noexcept;

// The strings of a value as read: non-empty, whole characters, NUL-terminated
// (a list by two NULs), split at NULs up to the first empty string into at least
// one element; a single string must yield exactly one.
std::optional<std::vector<std::wstring>> DecodePropertyStrings(const BYTE* data, std::size_t bytes, bool list);
