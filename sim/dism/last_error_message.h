#pragma once
// The text of the last failed call, kept per thread as DismGetLastErrorMessage
// reports it.
#include <windows.h>

#include <string>

namespace sim {

void SetLastErrorMessage(const std::wstring& message);
void ClearLastErrorMessage();
// Empty when the calling thread has no message.
std::wstring LastErrorMessage();
// Drops the message of a thread that ends, so a reused thread id starts clean.
void ForgetThreadMessage(DWORD threadId);

}  // namespace sim
