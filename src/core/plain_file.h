#pragma once
// The elevated program writes fixed names in folders that other users can write
// (the temporary folder), so a link planted under such a name must not redirect
// the write to a file of the link's choosing.
#include <windows.h>

#include <string>

#include "core/unique_handle.h"

// Opens the file at `path` itself, never what a reparse point there names, and
// refuses a file that is a reparse point or has more than one hard link. A
// refused file is left as it was and `refusal` says why; a file that cannot be
// opened at all gives an empty handle, an empty `refusal` and the last error.
FileHandle OpenPlainFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                         std::wstring& refusal);
