#pragma once
// A kernel-driver service registered for real in the test prefix (stopped, never
// started) and deleted again at the end.
#include <windows.h>

#include <winsvc.h>

#include <string>

#include "core/unique_handle.h"

namespace test {

class ScopedService {
public:
    ScopedService(const std::wstring& name, const std::wstring& imagePath) : name_(name) {
        const ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
        const ServiceHandle service(manager ? ::CreateServiceW(manager.get(), name.c_str(), name.c_str(), DELETE,
                                                               SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                                               SERVICE_ERROR_IGNORE, imagePath.c_str(), nullptr,
                                                               nullptr, nullptr, nullptr, nullptr)
                                            : nullptr);
        if (!service) error_ = L"CreateServiceW(" + name + L") failed with " + std::to_wstring(::GetLastError());
    }
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;
    ~ScopedService() {
        const ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        const ServiceHandle service(manager ? ::OpenServiceW(manager.get(), name_.c_str(), DELETE) : nullptr);
        if (service) (void)::DeleteService(service.get());
    }
    [[nodiscard]] bool Created() const noexcept { return error_.empty(); }
    [[nodiscard]] const std::wstring& Error() const noexcept { return error_; }

private:
    std::wstring name_;
    std::wstring error_;
};

}  // namespace test
