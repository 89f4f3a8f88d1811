#include "analysis/outdated_selection.h"

#include <cstdint>
#include <limits>

#include "platform/package_text.h"

namespace {

constexpr TextId kNewerDateCount = 140;
constexpr TextId kAssociationsNotChecked = 120;

void Log(const std::function<void(const std::wstring&)>& logLine, const std::wstring& text) {
    if (logLine) logLine(text);
}

std::wstring CandidateLine(const std::vector<DriverPackage>& installed, const CleanupCandidate& candidate,
                           LangId language) {
    const DriverPackage& old = installed[candidate.OldIndex];
    if (candidate.NewerUnused) {
        return L"Выделен более новый неиспользуемый пакет: " + PackageSummaryLine(old, language) + L"; " +
               old.ReasonText;
    }
    std::wstring line = L"Выделен устаревший пакет: " + PackageSummaryLine(old, language) + L"; более новая версия: " +
                        PackageSummaryLine(installed[candidate.ReplacementIndex], language);
    if (candidate.OldDateNewer) line += L"; внимание: дата старой версии новее даты замены";
    if (candidate.DifferentInf) {
        line += L"; разные исходные INF сопоставлены по первичным Hardware ID: " +
                std::to_wstring(candidate.MatchedIds) + L"/" + std::to_wstring(candidate.IdCount);
    }
    if (candidate.HasRunningDevice) {
        line += L"; новая версия уже работает на устройстве: " + candidate.DeviceInstanceId +
                L"; старый пакет не связан ни с одним зарегистрированным устройством";
    }
    return line;
}

}  // namespace

OutdatedSelectionTexts ChooseOutdatedSelectionTexts(const RemovalOptions& options) {
    if (options.DisableBootCriticalProtection || options.AllowNewerUnusedRemoval) return {227, 225, 226, 226};
    return {100, 139, 101, 121};
}

void RunOutdatedSelection(const TargetWindows& target, std::vector<DriverPackage>& installed,
                          const RemovalOptions& options, LangId language, const OperationCallbacks& callbacks,
                          OutdatedSelectionRun& run) {
    run.Snapshot = ReadBindingSnapshot(target, false);
    if (callbacks.Cancelled && callbacks.Cancelled()) throw OperationCancelled{};
    if (!run.Snapshot.Verified) return;
    run.Selection = SelectCleanupCandidates(installed, options, language, run.Snapshot.UsedInfs, run.Snapshot.Bindings,
                                            callbacks.LogLine);
}

OutdatedSelectionReport FinishOutdatedSelection(std::vector<DriverPackage>& installed, const OutdatedSelectionRun& run,
                                                bool completed, bool isCurrent, const RemovalOptions& options,
                                                LangId language,
                                                const std::function<void(const std::wstring&)>& logLine) {
    for (DriverPackage& package : installed) package.Checked = false;
    OutdatedSelectionReport report;
    if (!completed) return report;
    const OutdatedSelectionTexts texts = ChooseOutdatedSelectionTexts(options);
    if (!run.Snapshot.Verified) {
        report.StatusText = GetText(language, kAssociationsNotChecked);
        Log(logLine, L"Автоматический выбор отменён: " + run.Snapshot.Error);
        report.MessageText = run.Snapshot.Error;
        report.MessageIcon = SelectionMessageIcon::Error;
        return report;
    }
    const std::vector<CleanupCandidate>& candidates = run.Selection.Candidates;
    report.Percent = 100;
    report.StickyStatus = true;
    if (candidates.empty()) {
        report.StatusText = GetText(language, texts.NothingFoundStatus);
        Log(logLine, L"Кандидаты для удаления не найдены. Проверено привязок OEM INF: " +
                         std::to_wstring(run.Snapshot.UsedInfs.size()));
        report.MessageText = GetText(language, texts.NothingFoundMessage);
        return report;
    }
    std::uint64_t newerDates = 0;
    std::uint64_t differentInfs = 0;
    std::uint64_t totalBytes = 0;
    for (const CleanupCandidate& candidate : candidates) {
        DriverPackage& old = installed[candidate.OldIndex];
        old.Checked = true;
        Log(logLine, CandidateLine(installed, candidate, language));
        if (!candidate.NewerUnused) {
            newerDates += candidate.OldDateNewer ? 1 : 0;
            differentInfs += candidate.DifferentInf ? 1 : 0;
        }
        if (old.SizeBytes <= std::numeric_limits<std::uint64_t>::max() - totalBytes) totalBytes += old.SizeBytes;
    }
    std::wstring summary = GetText(language, texts.ResultPrefix) + std::to_wstring(candidates.size()) + L"; " +
                           FormatSizeMB(totalBytes, language);
    if (newerDates != 0) summary += GetText(language, kNewerDateCount) + std::to_wstring(newerDates);
    if (differentInfs != 0) summary += L"; Hardware ID: " + std::to_wstring(differentInfs);
    report.StatusText = summary;
    std::wstring logged = L"Автоматический выбор завершён. " + summary;
    if (isCurrent) logged += L"; установленных устройств: " + std::to_wstring(run.Snapshot.DevicesExamined);
    Log(logLine, logged);
    return report;
}
