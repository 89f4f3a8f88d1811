#pragma once
// The DISM API loaded at run time: one session object per process.
#include "platform/dism_api.h"

#include <string>

#include "core/unique_handle.h"

struct DismFunctions {
    dism::InitializeFn DismInitialize = nullptr;
    dism::ShutdownFn DismShutdown = nullptr;
    dism::OpenSessionFn DismOpenSession = nullptr;
    dism::CloseSessionFn DismCloseSession = nullptr;
    dism::GetDriversFn DismGetDrivers = nullptr;
    dism::AddDriverFn DismAddDriver = nullptr;
    dism::RemoveDriverFn DismRemoveDriver = nullptr;
    dism::DeleteFn DismDelete = nullptr;
    dism::GetLastErrorMessageFn DismGetLastErrorMessage = nullptr;
};

class DismSession {
public:
    DismSession() = default;
    DismSession(const DismSession&) = delete;
    DismSession& operator=(const DismSession&) = delete;
    ~DismSession() { Shutdown(); }

    // A log file that is a link or has other hard links is refused: DISM then
    // keeps its own log and LogRefusal() says why.
    [[nodiscard]] bool Initialize(const std::wstring& logPath, std::wstring& error);
    [[nodiscard]] const std::wstring& LogRefusal() const noexcept { return logRefusal_; }
    [[nodiscard]] bool OpenSession(const std::wstring& imagePath, dism::Session& handle, std::wstring& error);
    // Closes only a real session of an initialised API; handle 0 is "no session".
    void CloseSession(dism::Session handle) const noexcept;
    // DismShutdown when initialised, then unload the library. Safe to repeat.
    void Shutdown() noexcept;

    [[nodiscard]] bool IsInitialized() const noexcept { return initialized_; }
    [[nodiscard]] bool IsLoaded() const noexcept { return module_ != nullptr; }
    // The resolved function table; valid while IsInitialized().
    [[nodiscard]] const DismFunctions& Api() const noexcept { return api_; }

    // "0x%08X", with DISM's own last message or the system's text when there is one.
    [[nodiscard]] std::wstring DescribeDismError(HRESULT hr) const;

private:
    HMODULE module_ = nullptr;
    bool initialized_ = false;
    // Held while DISM writes the log: without delete sharing, nobody can swap a
    // link in under the checked name.
    FileHandle logGuard_;
    std::wstring logRefusal_;
    DismFunctions api_;
};

// Closes an opened image session on every path, including exceptions.
class DismSessionScope {
public:
    explicit DismSessionScope(DismSession& owner) noexcept : owner_(owner) {}
    DismSessionScope(const DismSessionScope&) = delete;
    DismSessionScope& operator=(const DismSessionScope&) = delete;
    ~DismSessionScope() { Close(); }

    [[nodiscard]] bool Open(const std::wstring& imagePath, std::wstring& error);
    void Close() noexcept;
    [[nodiscard]] dism::Session Handle() const noexcept { return handle_; }

private:
    DismSession& owner_;
    dism::Session handle_ = 0;
    bool opened_ = false;
};
