#include "console/console_cleanup.h"

#include <windows.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "analysis/old_version_detection.h"
#include "console/console_output.h"
#include "console/target_packages.h"
#include "operations/oem_uninstall.h"
#include "operations/removal_summary.h"
#include "platform/hibernation_file.h"
#include "platform/package_text.h"

namespace {

std::wstring OrDash(const std::wstring& text) { return text.empty() ? std::wstring(L"\u2014") : text; }

// An addition that would overflow is skipped: the total keeps its value.
void AddSize(std::uint64_t& total, std::uint64_t size) {
    if (size <= std::numeric_limits<std::uint64_t>::max() - total) total += size;
}

// Total free bytes of the volume; false (and 0) when it cannot be measured.
bool FreeBytes(const std::wstring& root, std::uint64_t& bytes) {
    ULARGE_INTEGER totalFree{};
    const bool measured = ::GetDiskFreeSpaceExW(root.c_str(), nullptr, nullptr, &totalFree) != FALSE;
    bytes = measured ? totalFree.QuadPart : 0;
    return measured;
}

int RemoveCandidates(const ConsoleState& state, const std::vector<DriverPackage>& packages,
                     const std::vector<CleanupCandidate>& candidates, const PackageRemover& removePackage) {
    const LangId language = state.Language;
    RemovalResult result;
    result.FreeBeforeMeasured = FreeBytes(state.TargetRoot, result.FreeBefore);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (CallerEnded(state)) {
            LogCallerEnded(state);
            break;
        }
        const DriverPackage& package = packages[candidates[i].OldIndex];
        const std::wstring removing = GetText(language, 141) + package.PublishedName;
        WriteConsoleLine(removing);
        ShowConsoleProgress(static_cast<int>(i * 100 / candidates.size()), removing);
        std::wstring error;
        if (removePackage(package, error)) {
            ++result.Removed;
            LogConsoleEvent(state, L"Удалён устаревший пакет из консоли: " + PackageSummaryLine(package, language));
            AddSize(result.LogicalSize, package.SizeBytes);
        } else {
            ++result.Errors;
            LogConsoleEvent(state, L"Не удалось удалить " + PackageDisplayName(package) + L": " + error);
            WriteConsoleError(package.PublishedName + L": " + error);
        }
    }
    result.FreeAfterMeasured = FreeBytes(state.TargetRoot, result.FreeAfter);

    WriteConsoleLine(L"");
    WriteConsoleLine(GetText(language, 144) + std::to_wstring(result.Removed));
    WriteConsoleLine(GetText(language, 145) + std::to_wstring(result.Errors));
    WriteConsoleLine(RemovalSizeLine(result, language));
    if (result.Errors == 0) return 0;
    WriteLogPointer(state);
    return result.Removed == 0 ? 4 : 3;
}

}  // namespace

void PrintCandidateLine(const ConsoleState& state, const DriverPackage& candidate, const DriverPackage* replacement) {
    std::wstring line = L"  " + candidate.PublishedName + L" | " + candidate.OriginalInfName + L" | " +
                        OrDash(candidate.Version) + L" | " + OrDash(candidate.Date) + L" | " +
                        FormatSizeMB(candidate.SizeBytes, state.Language);
    if (replacement) {
        line += L"  ->  " + replacement->PublishedName + L" | " + replacement->OriginalInfName + L" | " +
                OrDash(replacement->Version);
    }
    WriteConsoleLine(line);
}

int RunConsoleCleanup(ConsoleState& state, bool remove) {
    if (state.TargetIsCurrent) {
        return RunConsoleCleanup(state, remove, [](const DriverPackage& package, std::wstring& error) {
            return UninstallOemPackage(package, false, error);
        });
    }
    // One image session for every removal, opened at the first: listing the
    // packages needs a session of its own before it.
    DismSessionScope session(state.Dism);
    return RunConsoleCleanup(state, remove, [&state, &session](const DriverPackage& package, std::wstring& error) {
        return (session.Handle() != 0 || session.Open(state.TargetRoot, error)) &&
               RemoveOfflinePackage(state.Dism, session.Handle(), package, error);
    });
}

int RunConsoleCleanup(ConsoleState& state, bool remove, const PackageRemover& removePackage) {
    const LangId language = state.Language;
    std::vector<DriverPackage> packages;
    if (!ReadPackagesForConsole(state, packages)) return 4;

    WriteConsoleLine(GetText(language, 100));
    // Unverified bindings end the run on either kind of target: an offline
    // Windows allows only forced removal.
    const BindingSnapshot snapshot = ReadTargetBindings(state, false);
    if (!snapshot.Verified) {
        LogConsoleEvent(state, L"Консольная очистка отменена: " + snapshot.Error);
        WriteConsoleError(snapshot.Error);
        return 4;
    }
    // The console never removes boot-critical packages, whatever the stored options say.
    const std::vector<PackageVerdict> verdicts =
        FindOldVersions(packages, snapshot.UsedInfs, snapshot.Bindings, false, InfNameSet());

    std::vector<CleanupCandidate> candidates;
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const PackageVerdict& verdict = verdicts[i];
        const std::wstring text = packages[i].PublishedName + L": " + DescribeReason(language, verdict, packages);
        LogConsoleEvent(state, text);
        if (verdict.Reason == RemovalReason::PossibleReplacement || verdict.Reason == RemovalReason::InsufficientData)
            WriteConsoleLine(text);
        if (verdict.Reason == RemovalReason::ConfirmedReplacement) candidates.push_back(verdict.Candidate);
    }
    if (candidates.empty()) {
        WriteConsoleLine(GetText(language, 101));
        return 0;
    }

    WriteConsoleLine(GetText(language, 139) + std::to_wstring(candidates.size()));
    std::uint64_t total = 0;
    for (const CleanupCandidate& candidate : candidates) {
        const DriverPackage& old = packages[candidate.OldIndex];
        const DriverPackage& replacement = packages[candidate.ReplacementIndex];
        PrintCandidateLine(state, old, &replacement);
        LogConsoleEvent(state, L"Консольный кандидат на удаление: " + PackageSummaryLine(old, language) +
                                   L"; замена: " + PackageSummaryLine(replacement, language));
        AddSize(total, old.SizeBytes);
    }
    WriteConsoleLine(GetText(language, 180) + FormatSizeMB(total, language));
    if (!remove) return 0;
    if (!state.TargetIsCurrent && IsHibernatedWindows(state.TargetRoot)) {
        LogConsoleEvent(state, HibernationRefusalLogLine(state.TargetRoot));
        WriteConsoleError(GetText(language, 261));
        return 4;
    }
    return RemoveCandidates(state, packages, candidates, removePackage);
}
