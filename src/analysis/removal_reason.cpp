#include "analysis/removal_reason.h"

#include "platform/package_text.h"

namespace {

constexpr TextId kVersionLabel = 8;

TextId ReasonText(const PackageVerdict& verdict) {
    switch (verdict.Reason) {
        case RemovalReason::Protected: return 190;
        case RemovalReason::AssociatedWithDevice: return 188;
        case RemovalReason::InsufficientData: return 189;
        case RemovalReason::TargetNotConfirmed: return 191;
        case RemovalReason::NoNewerVersion: return 192;
        case RemovalReason::PossibleReplacement: return 193;
        case RemovalReason::ConfirmedReplacement:
            if (verdict.Candidate.NewerUnused) return 224;
            return verdict.Candidate.HasRunningDevice ? 195 : 194;
        case RemovalReason::NewerRemovalDisabled: return 222;
        case RemovalReason::NewerRemovalUnconfirmed: return 223;
    }
    // A stored value this program does not know.
    return 189;
}

}  // namespace

std::wstring DescribeReason(LangId language, const PackageVerdict& verdict,
                            const std::vector<DriverPackage>& packages) {
    std::wstring text = GetText(language, ReasonText(verdict));
    const bool namesReplacement =
        verdict.Reason == RemovalReason::PossibleReplacement || verdict.Reason == RemovalReason::ConfirmedReplacement;
    const CleanupCandidate& candidate = verdict.Candidate;
    if (!namesReplacement || candidate.ReplacementIndex >= packages.size()) return text;
    const DriverPackage& replacement = packages[candidate.ReplacementIndex];
    text += L": " + PackageDisplayName(replacement);
    if (!replacement.Version.empty())
        text += L"; " + std::wstring(GetText(language, kVersionLabel)) + replacement.Version;
    if (candidate.HasRunningDevice) text += L"; " + candidate.DeviceInstanceId;
    return text;
}
