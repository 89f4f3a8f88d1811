#pragma once
// How an operation that also runs outside the interface reports lines and
// progress and learns of a cancel request. Any member may be empty.
#include <functional>
#include <string>

struct OperationCallbacks {
    std::function<void(const std::wstring& text)> LogLine;
    // A negative percent means "no percent known".
    std::function<void(const std::wstring& text, int percent)> Progress;
    std::function<bool()> Cancelled;
};

// Thrown by a job at one of its checkpoints once cancellation was requested.
struct OperationCancelled {};
