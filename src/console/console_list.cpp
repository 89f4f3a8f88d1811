#include "console/console_list.h"

#include <utility>
#include <vector>

#include "console/console_output.h"
#include "console/target_packages.h"
#include "console/package_list.h"
#include "console/package_list_csv.h"
#include "console/package_list_json.h"
#include "console/package_list_text.h"
#include "platform/utf8_file.h"

namespace {

std::wstring Format(const PackageList& list, ListFormat format, LangId language) {
    switch (format) {
    case ListFormat::Csv: return FormatPackageListCsv(list);
    case ListFormat::Json: return FormatPackageListJson(list);
    default: return FormatPackageListText(list, language);
    }
}

int ReadFailed(const ConsoleState& state, const std::wstring& error) {
    LogConsoleEvent(state, L"Консольный список пакетов не прочитан: " + error);
    WriteConsoleError(error);
    return 4;
}

}  // namespace

int RunConsoleList(ConsoleState& state, ListFormat format, const std::wstring& outputPath) {
    std::vector<DriverPackage> packages;
    std::vector<std::wstring> storeFolders;
    std::wstring error;
    // Nothing but the list goes to the output stream: a script reads it whole.
    if (!LoadTargetPackages(state, packages, error, &storeFolders)) return ReadFailed(state, error);
    const BindingSnapshot snapshot = ReadTargetBindings(state, true);
    if (!snapshot.Verified) return ReadFailed(state, snapshot.Error);

    const PackageList list = BuildPackageList(std::move(packages), std::move(storeFolders), snapshot.UsedInfs,
                                              snapshot.Bindings, state.Language, state.TargetRoot,
                                              state.TargetIsCurrent);
    const std::wstring text = Format(list, format, state.Language);
    if (outputPath.empty()) {
        WriteConsoleText(text, false);
        return 0;
    }
    // Spreadsheets need the byte-order mark to read CSV as UTF-8; JSON must not have one.
    if (!WriteUtf8File(outputPath, text, error, format == ListFormat::Csv)) {
        LogConsoleEvent(state, error);
        WriteConsoleError(GetText(state.Language, 269) + outputPath);
        return 2;
    }
    LogConsoleEvent(state, L"Список пакетов из консоли записан в " + outputPath + L"; пакетов: " +
                               std::to_wstring(list.Packages.size()));
    return 0;
}
