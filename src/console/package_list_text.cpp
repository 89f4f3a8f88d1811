#include "console/package_list_text.h"

#include <algorithm>
#include <vector>

#include "platform/package_text.h"

namespace {

std::wstring OrDash(const std::wstring& text) { return text.empty() ? std::wstring(L"\u2014") : text; }

}  // namespace

std::wstring FormatPackageListText(const PackageList& list, LangId language) {
    std::vector<std::vector<std::wstring>> rows;
    for (const ListedPackage& entry : list.Packages) {
        const DriverPackage& package = entry.Package;
        rows.push_back({package.PublishedName, OrDash(package.OriginalInfName), OrDash(package.Provider),
                        OrDash(package.ClassName), OrDash(package.Version), OrDash(package.Date),
                        FormatSizeMB(package.SizeBytes, language), entry.VerdictText});
    }
    std::vector<std::size_t> widths(rows.empty() ? 0 : rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());

    std::wstring text;
    for (const auto& row : rows) {
        std::wstring line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += row[column];
            if (column + 1 < row.size()) line += std::wstring(widths[column] - row[column].size() + 2, L' ');
        }
        text += line + L"\r\n";
    }
    return text;
}
