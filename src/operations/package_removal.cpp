#include "operations/package_removal.h"

#include <windows.h>

#include <limits>
#include <stdexcept>
#include <string>

#include "core/text_encoding.h"
#include "operations/oem_uninstall.h"
#include "platform/package_text.h"

namespace {

bool MeasureFreeSpace(const std::wstring& root, std::uint64_t& freeBytes) {
    ULARGE_INTEGER totalFree{};
    if (!::GetDiskFreeSpaceExW(root.c_str(), nullptr, nullptr, &totalFree)) return false;
    freeBytes = totalFree.QuadPart;
    return true;
}

class RemovalRun {
public:
    RemovalRun(const std::vector<DriverPackage*>& selection, const RemovalScope& scope,
               const RemovalDecision& decision, DismSession& dism, const OperationCallbacks& callbacks,
               RemovalResult& result)
        : selection_(selection),
          scope_(scope),
          decision_(decision),
          dism_(dism),
          callbacks_(callbacks),
          result_(result),
          names_(SelectedNames(selection)),
          session_(dism) {}

    void Run() {
        RefuseChangedDecision();
        if (Cancelled()) throw OperationCancelled{};
        std::wstring error;
        if (!scope_.Target.IsCurrent && !session_.Open(scope_.Target.Root, error))
            throw std::runtime_error(WideToUtf8(error));
        result_.FreeBeforeMeasured = MeasureFreeSpace(scope_.Target.Root, result_.FreeBefore);
        for (std::size_t i = 0; i < selection_.size() && !Cancelled(); ++i) RemoveOne(i);
        result_.FreeAfterMeasured = MeasureFreeSpace(scope_.Target.Root, result_.FreeAfter);
        session_.Close();
    }

private:
    void RefuseChangedDecision() const {
        // DISM removes only by force, so unread bindings leave it no safe way.
        if (!scope_.Target.IsCurrent && !RemovalForced(scope_, decision_, false))
            throw std::runtime_error(WideToUtf8(GetText(scope_.Language, 260)));
        const BindingSnapshot snapshot = TakeRemovalSnapshot(scope_, names_);
        const std::vector<NewerVersionVerdict> verdicts =
            CheckSelectionVersions(scope_, names_, snapshot.UsedInfs, snapshot.Bindings, snapshot.Verified);
        const RemovalRiskMap risks = AssessSelectionRisks(scope_, names_, snapshot);
        if (DecisionOutdated(scope_, selection_, snapshot, verdicts, risks, decision_))
            throw std::runtime_error(WideToUtf8(GetText(scope_.Language, 229)));
    }

    // The older version that justified removing a newer unused package may have
    // stopped since the confirmation.
    bool StillNewerUnused(const DriverPackage& package) const {
        const BindingSnapshot snapshot = ReadBindingSnapshot(scope_.Target, false);
        const std::vector<NewerVersionVerdict> verdicts =
            CheckSelectionVersions(scope_, names_, snapshot.UsedInfs, snapshot.Bindings, snapshot.Verified);
        if (Cancelled()) throw OperationCancelled{};
        return verdicts[IndexInList(scope_.Installed, &package)].Candidate.has_value();
    }

    void RemoveOne(std::size_t i) {
        const DriverPackage& package = *selection_[i];
        const bool newerUnused = decision_.ConfirmedNewerUnused.contains(FileNamePart(package.PublishedName));
        if (newerUnused && !StillNewerUnused(package)) {
            ++result_.Errors;
            LogLine(PackageDisplayName(package) + L": " + GetText(scope_.Language, 229));
            return;
        }
        if (callbacks_.Progress)
            callbacks_.Progress(GetText(scope_.Language, 141) + package.PublishedName,
                                static_cast<int>(i * 100 / selection_.size()));
        const bool forced = RemovalForced(scope_, decision_, newerUnused);
        const wchar_t* mode = newerUnused               ? L"; более новая неиспользуемая версия"
                              : !scope_.Target.IsCurrent ? L"; режим: DISM"
                              : forced                   ? L"; режим: принудительный"
                                                         : L"; режим: без принуждения, привязки устройств не проверены";
        LogLine(L"Удаление выбранного пакета: " + PackageSummaryLine(package, scope_.Language) + mode);

        std::wstring error;
        if (Remove(package, forced, error)) {
            ++result_.Removed;
            if (package.SizeBytes <= std::numeric_limits<std::uint64_t>::max() - result_.LogicalSize)
                result_.LogicalSize += package.SizeBytes;
            LogLine(L"Удалён пакет: " + PackageSummaryLine(package, scope_.Language));
        } else {
            ++result_.Errors;
            LogLine(L"Не удалось удалить " + PackageDisplayName(package) + L": " + error);
        }
    }

    bool Remove(const DriverPackage& package, bool forced, std::wstring& error) const {
        if (scope_.Target.IsCurrent) return UninstallOemPackage(package, forced, error);
        return RemoveOfflinePackage(dism_, session_.Handle(), package, error);
    }

    bool Cancelled() const { return callbacks_.Cancelled && callbacks_.Cancelled(); }
    void LogLine(const std::wstring& text) const {
        if (callbacks_.LogLine) callbacks_.LogLine(text);
    }

    const std::vector<DriverPackage*>& selection_;
    const RemovalScope& scope_;
    const RemovalDecision& decision_;
    DismSession& dism_;
    const OperationCallbacks& callbacks_;
    RemovalResult& result_;
    const InfNameSet names_;
    DismSessionScope session_;
};

}  // namespace

void RemovePackages(const std::vector<DriverPackage*>& selection, const RemovalScope& scope,
                    const RemovalDecision& decision, DismSession& dism, const OperationCallbacks& callbacks,
                    RemovalResult& result) {
    result = RemovalResult{};
    RemovalRun(selection, scope, decision, dism, callbacks, result).Run();
}
