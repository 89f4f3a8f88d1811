#include "operations/package_install.h"

#include <stdexcept>
#include <string>

#include "core/text_encoding.h"
#include "operations/install_driver_online.h"

namespace {

InstallOutcome AddDriverOffline(DismSession& dism, const DismSessionScope& session, const std::wstring& infPath,
                                std::wstring& error) {
    const HRESULT hr = dism.Api().DismAddDriver(session.Handle(), infPath.c_str(), FALSE);
    if (SUCCEEDED(hr)) return InstallOutcome::Installed;
    error = L"DismAddDriver(" + infPath + L"): " + dism.DescribeDismError(hr);
    return InstallOutcome::Failed;
}

}  // namespace

void InstallPackages(const std::vector<DriverPackage*>& selection, const TargetWindows& target, LangId language,
                     DismSession& dism, const OperationCallbacks& callbacks, InstallResult& result) {
    result = InstallResult{};
    const auto log = [&callbacks](const std::wstring& text) {
        if (callbacks.LogLine) callbacks.LogLine(text);
    };
    DismSessionScope session(dism);
    std::wstring error;
    if (!target.IsCurrent && !session.Open(target.Root, error)) throw std::runtime_error(WideToUtf8(error));

    for (std::size_t i = 0; i < selection.size(); ++i) {
        if (callbacks.Cancelled && callbacks.Cancelled()) break;
        const DriverPackage& package = *selection[i];
        if (callbacks.Progress)
            callbacks.Progress(GetText(language, 151) + package.OriginalInfName,
                               static_cast<int>(i * 100 / selection.size()));
        result.Attempted = true;
        bool restart = false;
        error.clear();
        const InstallOutcome outcome = target.IsCurrent ? InstallDriverOnline(package.InfPath, restart, error)
                                                        : AddDriverOffline(dism, session, package.InfPath, error);
        result.RestartRequired = result.RestartRequired || restart;
        switch (outcome) {
            case InstallOutcome::Installed:
                ++result.Installed;
                log((target.IsCurrent ? L"Пакет доступен в Driver Store текущей Windows: "
                                      : L"Добавлен в офлайн-Windows: ") +
                    package.InfPath);
                break;
            case InstallOutcome::Kept:
                result.Kept.push_back({&package, error, std::nullopt});
                break;
            case InstallOutcome::Failed:
                ++result.Errors;
                log(error);
                break;
        }
    }
}
