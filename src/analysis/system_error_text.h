#pragma once
#include <windows.h>

#include <string>

// The system's message for a Win32 or registry error code, without trailing line
// breaks and spaces; "Ошибка <code>" when the system has none.
std::wstring FormatSystemError(DWORD code);
