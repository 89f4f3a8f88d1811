#pragma once
// The installation worker: each selected INF into the running Windows through
// DiInstallDriverW, or into an offline image's Driver Store through DismAddDriver.
#include <cstdint>
#include <vector>

#include "core/localized_text.h"
#include "core/operation_callbacks.h"
#include "operations/kept_packages.h"
#include "platform/dism_session.h"
#include "platform/target_windows.h"

struct InstallResult {
    bool Attempted = false;  // at least one package was started
    bool RestartRequired = false;
    std::uint32_t Installed = 0;
    std::uint32_t Errors = 0;
    std::vector<KeptItem> Kept;
};

// Worker body. A failing package is counted and logged and the loop goes on; a
// cancel stops before the next package. An offline image that cannot be
// opened fails the job with the session's error text.
void InstallPackages(const std::vector<DriverPackage*>& selection, const TargetWindows& target, LangId language,
                     DismSession& dism, const OperationCallbacks& callbacks, InstallResult& result);
