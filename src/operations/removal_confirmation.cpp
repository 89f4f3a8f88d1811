#include "operations/removal_confirmation.h"

#include <algorithm>

#include "analysis/removal_reason.h"
#include "platform/package_text.h"
#include "platform/removal_permission.h"

namespace {

TextId ExclusionTextId(NewerVersionCode code) {
    switch (code) {
        case NewerVersionCode::BootCriticalProtected: return 221;
        case NewerVersionCode::NewerRemovalDisabled: return 222;
        case NewerVersionCode::NewerRemovalUnconfirmed: return 223;
        default: return 129;
    }
}

class ConfirmationBuilder {
public:
    ConfirmationBuilder(const RemovalScope& scope, const std::vector<DriverPackage*>& selection,
                        const BindingSnapshot& snapshot, const std::vector<NewerVersionVerdict>& verdicts,
                        RemovalConfirmation& confirmation)
        : scope_(scope), selection_(selection), snapshot_(snapshot), verdicts_(verdicts), out_(confirmation) {}

    void Build() {
        const LangId language = scope_.Language;
        std::wstring& text = out_.Text;
        text = GetText(language, scope_.Target.IsCurrent ? 114 : 115);
        if (ManualRemoveAllEnabled(scope_.Options, scope_.Target)) {
            text += L"\r\n" + std::wstring(GetText(language, 16)) + L" \u2014 " + scope_.Target.Root;
            text += L"\r\n" + std::wstring(GetText(language, 257));
        }
        text += L"\r\n" + (GetText(language, 116) + std::to_wstring(selection_.size()));
        for (DriverPackage* package : selection_) out_.Rows.push_back(Row(*package));
        AppendRisks();
        if (scope_.Target.IsCurrent) AppendRemovalMode();
        const std::size_t inUse = out_.Decision.ConfirmedInUse.size();
        if (!snapshot_.Verified) text += L"\r\n" + std::wstring(GetText(language, 126));
        else if (inUse > 0) text += L"\r\n" + (GetText(language, 125) + std::to_wstring(inUse));
    }

private:
    ConfirmationRow Row(const DriverPackage& package) {
        const LangId language = scope_.Language;
        const NewerVersionVerdict& verdict = verdicts_[IndexInList(scope_.Installed, &package)];
        const std::wstring name = FileNamePart(package.PublishedName);
        std::wstring reason;
        if (verdict.Candidate) {
            out_.Decision.ConfirmedNewerUnused.insert(name);
            reason = DescribeReason(language, {RemovalReason::ConfirmedReplacement, *verdict.Candidate},
                                    scope_.Installed);
        } else if (!snapshot_.Verified) {
            reason = GetText(language, 187);
        } else if (snapshot_.UsedInfs.contains(name)) {
            reason = GetText(language, 188);
            out_.Decision.ConfirmedInUse.insert(name);
        } else {
            reason = package.ReasonText.empty() ? GetText(language, 186) : package.ReasonText;
        }
        if (package.BootCritical) reason += L"; BootCritical";
        return {package.OriginalInfName + L" / " + package.PublishedName, package.Version, package.Date,
                FormatSizeMB(package.SizeBytes, language), reason};
    }

    void AppendRisks() {
        const LangId language = scope_.Language;
        out_.Decision.ConfirmedRisks = AssessSelectionRisks(scope_, SelectedNames(selection_), snapshot_);
        const RemovalRiskMap& risks = out_.Decision.ConfirmedRisks;
        out_.HasRisks = !risks.empty();
        bool critical = false;
        if (out_.HasRisks) {
            out_.Text += L"\r\n\r\n" + std::wstring(GetText(language, 250));
            for (const DriverPackage* package : selection_) {
                const auto risk = risks.find(FileNamePart(package->PublishedName));
                if (risk == risks.end()) continue;
                out_.Text += L"\r\n" + PackageDisplayName(*package) + L" \u2014 " + RemovalRiskText(language, risk->second);
                critical = critical || IsCriticalRisk(risk->second, *package);
            }
        }
        if (critical) out_.Text += L"\r\n\r\n" + std::wstring(GetText(language, 122));
        out_.Text += L"\r\n\r\n" + std::wstring(GetText(language, 123));
    }

    void AppendRemovalMode() {
        const LangId language = scope_.Language;
        if (!RemovalForced(scope_, out_.Decision, false)) {
            out_.Text += L"\r\n\r\n" + std::wstring(GetText(language, 259));
            return;
        }
        const std::size_t newerUnused = out_.Decision.ConfirmedNewerUnused.size();
        if (newerUnused == 0) {
            out_.Text += L"\r\n\r\n" + std::wstring(GetText(language, 124));
            return;
        }
        out_.Text += L"\r\n\r\n" + std::wstring(GetText(language, 230));
        if (newerUnused < selection_.size()) out_.Text += L" " + std::wstring(GetText(language, 231));
    }

    const RemovalScope& scope_;
    const std::vector<DriverPackage*>& selection_;
    const BindingSnapshot& snapshot_;
    const std::vector<NewerVersionVerdict>& verdicts_;
    RemovalConfirmation& out_;
};

// The verdicts for what will really be removed: an older version keeps a newer
// one out only while it is itself about to go. Starting from an empty keep-out
// set and narrowing it to the packages still removable settles on a selection
// that the worker, keeping out the same set, judges alike. Returns the verdicts
// of that set and the code that took each other package out.
std::vector<NewerVersionVerdict> SettleSelection(const RemovalScope& scope, const BindingSnapshot& snapshot,
                                                 std::vector<DriverPackage*>& remaining,
                                                 std::map<const DriverPackage*, NewerVersionCode>& excluded) {
    InfNameSet keptOut;
    for (;;) {
        std::vector<NewerVersionVerdict> verdicts =
            CheckSelectionVersions(scope, keptOut, snapshot.UsedInfs, snapshot.Bindings, snapshot.Verified);
        const std::size_t before = remaining.size();
        std::erase_if(remaining, [&](const DriverPackage* package) {
            const NewerVersionCode code = verdicts[IndexInList(scope.Installed, package)].Code;
            if (code == NewerVersionCode::Allowed) return false;
            excluded.emplace(package, code);
            return true;
        });
        InfNameSet names = SelectedNames(remaining);
        if (remaining.size() == before && names == keptOut) return verdicts;
        keptOut = std::move(names);
    }
}

}  // namespace

RemovalConfirmation PrepareRemovalConfirmation(const RemovalScope& scope, std::vector<DriverPackage*>& selection,
                                               const BindingSnapshot& snapshot,
                                               const std::function<void(const std::wstring&)>& log) {
    RemovalConfirmation confirmation;
    confirmation.Decision.BindingsVerified = snapshot.Verified;
    const std::wstring unverified =
        L"Перед ручным удалением не удалось определить привязки устройств: " + snapshot.Error;
    if (!scope.Target.IsCurrent && !RemovalForced(scope, confirmation.Decision, false)) {
        if (log) log(unverified);
        confirmation.Refusal = GetText(scope.Language, 260) + (L"\r\n\r\n" + snapshot.Error);
        return confirmation;
    }
    std::vector<DriverPackage*> remaining = selection;
    std::map<const DriverPackage*, NewerVersionCode> excluded;
    const std::vector<NewerVersionVerdict> verdicts = SettleSelection(scope, snapshot, remaining, excluded);
    for (DriverPackage* package : selection) {
        const auto code = excluded.find(package);
        if (code == excluded.end()) continue;
        package->Checked = false;
        ++confirmation.Exclusions[code->second];
        if (log) log(PackageDisplayName(*package) + L": " + GetText(scope.Language, ExclusionTextId(code->second)));
    }
    selection = std::move(remaining);
    if (selection.empty()) return confirmation;
    if (!snapshot.Verified && log) log(unverified);
    ConfirmationBuilder(scope, selection, snapshot, verdicts, confirmation).Build();
    return confirmation;
}

std::wstring ExclusionMessage(const std::map<NewerVersionCode, std::uint32_t>& exclusions, LangId language) {
    std::wstring text = GetText(language, 228);
    for (const auto& [code, count] : exclusions)
        text += L"\r\n" + std::to_wstring(count) + L" \u2014 " + GetText(language, ExclusionTextId(code));
    return text;
}
