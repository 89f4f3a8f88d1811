#include "analysis/running_services.h"

#include <windows.h>

#include <winsvc.h>

#include "core/unique_handle.h"

ServiceNameSet SelectRunningServices(const ServiceNameSet& candidates) {
    ServiceNameSet running;
    if (candidates.empty()) return running;
    const ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return running;
    for (const std::wstring& name : candidates) {
        const ServiceHandle service(::OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
        SERVICE_STATUS status{};
        if (service && ::QueryServiceStatus(service.get(), &status) && status.dwCurrentState == SERVICE_RUNNING) {
            running.insert(name);
        }
    }
    return running;
}
