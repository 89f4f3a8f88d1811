#include "console/self_test.h"

#include <vector>

#include "core/event_log.h"
#include "platform/dism_api.h"
#include "platform/package_text.h"
#include "platform/utf8_file.h"

int RunSelfTest(ConsoleState& state, const std::wstring& outputPath) {
    const std::wstring reportPath = outputPath.empty() ? TempFilePath(L"Quillbay-self-test.txt") : outputPath;

    std::vector<DriverPackage> packages;
    std::wstring error;
    bool listed = false;
    {
        DismSessionScope session(state.Dism);
        listed = session.Open(dism::kOnlineImage, error) &&
                 ReadDismDriverPackages(state.Dism, session.Handle(), packages, error);
    }

    std::wstring report = std::wstring(L"Status=") + (listed ? L"OK" : L"ERROR") + L"\r\n";
    report += L"DriverCount=" + std::to_wstring(packages.size()) + L"\r\n";
    if (!packages.empty()) {
        DriverPackage first = packages.front();
        first.OriginalInfName = GetOriginalInfName(first);
        report += L"FirstDriver=" + PackageFolderName(first) + L"\r\n";
        report += L"FirstProvider=" + first.Provider + L"\r\n";
    }
    if (!error.empty()) report += L"Error=" + error + L"\r\n";

    std::wstring writeError;
    if (!WriteUtf8File(reportPath, report, writeError)) {
        LogConsoleEvent(state, writeError);
        return 2;
    }
    return listed && !packages.empty() ? 0 : 2;
}
