#pragma once
// File-system minifilters that the filter manager has attached to a volume now.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/service_name_set.h"

// The filter manager's answer is one FILTER_FULL_INFORMATION entry per call.
inline constexpr std::size_t kFilterEntryBufferBytes = 4096;

// The name of a minifilter entry of `returned` bytes when it describes an
// attached filter: the entry is complete, has at least one instance, and its
// name is non-empty, whole characters and inside the returned bytes.
std::optional<std::wstring> AttachedMinifilterName(const std::uint8_t* entry, std::size_t returned);

// Every attached minifilter, asked of fltlib.dll loaded from System32. Nothing
// when the library or one of its functions is missing.
ServiceNameSet ReadAttachedMinifilters();
