#include "ui/main_window/main_window_language.h"

#include <commctrl.h>

#include "analysis/removal_reason.h"
#include "core/localized_text.h"
#include "core/settings.h"
#include "ui/dialogs/log_window.h"
#include "ui/drawing/accessible_texts.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_controls.h"
#include "ui/main_window/main_window_fonts.h"
#include "ui/main_window/main_window_targets.h"
#include "ui/main_window/status_line.h"

namespace {

struct FixedText {
    int ControlId;
    TextId Text;
};

constexpr FixedText kFixedTexts[] = {
    {IDC_LOG_BUTTON, 264},       {IDC_TARGET_LABEL, 16},   {IDC_CHOOSE_TARGET, 17},      {IDC_REFRESH, 22},
    {IDC_MODE_BACKUP, 23},       {IDC_MODE_REMOVAL, 24},   {IDC_MODE_INSTALLATION, 25},  {IDC_SETTINGS, 265},
    {IDC_CLEAR_SELECTION, 61},   {IDC_SELECT_OLD_DRIVERS, 62}, {IDC_SELECT_ALL, 63},     {IDC_SEARCH_LABEL, 266},
    {IDC_RESET_SEARCH, 202},     {IDC_BROWSE_SOURCE, 263},
};

constexpr TextId kSearchCueText = 26;
constexpr TextId kReadyText = 67;

// Names and shortcuts screen readers announce.
void SetAccessibleTexts(const AppState& state) {
    const auto control = [&](int id) { return ::GetDlgItem(state.MainWindow, id); };
    const LangId language = state.Language;
    SetAccessibleName(control(IDC_SEARCH), GetText(language, 197));
    SetAccessibleName(control(IDC_LANGUAGE), GetText(language, 198));
    SetAccessibleName(control(IDC_PACKAGE_TREE), GetText(language, 199));
    SetAccessibleName(control(IDC_HELP_BUTTON), GetText(language, 6));
    SetAccessibleShortcut(control(IDC_SEARCH), L"Ctrl+F");
    SetAccessibleShortcut(control(IDC_HELP_BUTTON), L"F1");
}

void FillLanguageBox(const AppState& state) {
    HWND box = ::GetDlgItem(state.MainWindow, IDC_LANGUAGE);
    if (!box) return;
    ::SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (LangId language = 0; language < kLanguageCount; ++language) {
        const auto item = ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LanguageName(language)));
        ::SendMessageW(box, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(language));
        if (language == state.Language) ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
}

// Explanations of the last automatic selection, when it judged this very list.
void TranslateExplanations(AppState& state) {
    if (state.CleanupResults.empty() || state.CleanupResults.size() != state.Installed.size()) return;
    for (std::size_t i = 0; i < state.Installed.size(); ++i)
        state.Installed[i].ReasonText = DescribeReason(state.Language, state.CleanupResults[i], state.Installed);
}

}  // namespace

void ApplyLanguage(AppState& state) {
    HWND window = state.MainWindow;
    TranslateExplanations(state);
    for (const FixedText& fixed : kFixedTexts) {
        if (HWND control = ::GetDlgItem(window, fixed.ControlId))
            ::SetWindowTextW(control, GetText(state.Language, fixed.Text));
    }
    if (HWND search = ::GetDlgItem(window, IDC_SEARCH))
        ::SendMessageW(search, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(GetText(state.Language, kSearchCueText)));
    RelabelTargets(state);
    FillTargetBox(state);
    FillLanguageBox(state);
    SetAccessibleTexts(state);
    UpdateModeControls(state);
    RefreshLogWindow(state);
    ::RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TakeLanguageFromBox(AppState& state) {
    HWND box = ::GetDlgItem(state.MainWindow, IDC_LANGUAGE);
    const auto item = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR) return;
    const auto language = ::SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    if (language < 0 || static_cast<LangId>(language) >= kLanguageCount || language == state.Language) return;
    state.Language = static_cast<LangId>(language);
    // The language still changes for this run when it cannot be stored.
    (void)WriteSettingDword(L"Language", static_cast<DWORD>(language));
    ApplyMainWindowFonts(state);
    ApplyLanguage(state);
    SetStatus(state, GetText(state.Language, kReadyText), 0);
}
