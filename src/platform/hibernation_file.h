#pragma once
// The hibernation guard: whether an offline Windows is hibernated or suspended by
// Fast Startup. Resuming such a Windows restores a memory image that knows nothing
// of changes made to its files and hives meanwhile, losing data or corrupting the
// system; so nothing may be installed into it or removed from it.
#include <string>

// True when <root>\hiberfil.sys begins with "hibr" or "HIBR" (a file Windows has
// resumed from or cleared does not). A file that exists but cannot be read counts
// as hibernated: its state cannot be known. A missing or shorter file, or no
// root at all, does not.
[[nodiscard]] bool IsHibernatedWindows(const std::wstring& root);

// The log line of a change refused for that reason.
std::wstring HibernationRefusalLogLine(const std::wstring& root);
