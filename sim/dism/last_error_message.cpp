#include "last_error_message.h"

#include <map>
#include <mutex>

namespace sim {

namespace {

std::mutex g_messagesMutex;
std::map<DWORD, std::wstring> g_messages;

}  // namespace

void SetLastErrorMessage(const std::wstring& message) {
    std::lock_guard lock(g_messagesMutex);
    g_messages[::GetCurrentThreadId()] = message;
}

void ClearLastErrorMessage() { ForgetThreadMessage(::GetCurrentThreadId()); }

std::wstring LastErrorMessage() {
    std::lock_guard lock(g_messagesMutex);
    const auto found = g_messages.find(::GetCurrentThreadId());
    return found == g_messages.end() ? std::wstring() : found->second;
}

void ForgetThreadMessage(DWORD threadId) {
    std::lock_guard lock(g_messagesMutex);
    g_messages.erase(threadId);
}

}  // namespace sim
