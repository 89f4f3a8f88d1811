#pragma once
#include <windows.h>

#include <string>

// The system's text for a message id, trailing CR/LF/spaces removed; empty when
// the system has none.
std::wstring SystemMessageText(DWORD messageId);
