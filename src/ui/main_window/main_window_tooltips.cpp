#include "ui/main_window/main_window_tooltips.h"

#include <commctrl.h>

#include "core/localized_text.h"
#include "ui/dialogs/dialog_geometry.h"
#include "ui/drawing/window_text.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_controls.h"

namespace {

constexpr int kGeneralTipWidth96 = 520;
constexpr int kSevenZipTipWidth96 = 390;
constexpr int kGeneralTipShowMs = 30000;
constexpr int kSevenZipTipShowMs = 20000;
constexpr UINT_PTR kSevenZipToolId = 1;

HWND MakeTooltip(const AppState& state) {
    return ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, state.MainWindow, nullptr,
                             state.Instance, nullptr);
}

bool IsStatic(HWND control) {
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    return ::lstrcmpiW(className, L"Static") == 0;
}

// Statics that shorten their text with an ellipsis (except the title, whose
// pointer opens the about box), the hint, and "Select old drivers".
bool HasTip(HWND control) {
    const int id = ::GetDlgCtrlID(control);
    if (id == IDC_SELECT_OLD_DRIVERS || id == IDC_HINT) return true;
    if (id == IDC_MODE_TITLE || !IsStatic(control)) return false;
    return (::GetWindowLongPtrW(control, GWL_STYLE) & SS_ELLIPSISMASK) == SS_ENDELLIPSIS;
}

TOOLINFOW ToolFor(const AppState& state, UINT_PTR id) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = state.MainWindow;
    tool.uId = id;
    return tool;
}

void AddControlTool(const AppState& state, HWND control) {
    if (IsStatic(control)) {
        // Statics only see the pointer when they notify.
        ::SetWindowLongPtrW(control, GWL_STYLE, ::GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);
    }
    TOOLINFOW tool = ToolFor(state, reinterpret_cast<UINT_PTR>(control));
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    ::SendMessageW(state.Tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

void CreateMainWindowTooltips(AppState& state) {
    state.Tooltip = MakeTooltip(state);
    if (state.Tooltip) {
        for (HWND child = ::GetWindow(state.MainWindow, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (HasTip(child)) AddControlTool(state, child);
        }
        ::SendMessageW(state.Tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, kGeneralTipShowMs);
    }
    // A rectangle of the window: the check box is disabled exactly when this
    // tip speaks, and a disabled control leaves the pointer to its parent.
    state.SevenZipTooltip = MakeTooltip(state);
    if (state.SevenZipTooltip) {
        TOOLINFOW tool = ToolFor(state, kSevenZipToolId);
        tool.uFlags = TTF_SUBCLASS;
        tool.rect = ChildRect(state.MainWindow, IDC_SEVEN_ZIP_CHOICE);
        state.SevenZipTooltipText = GetText(state.Language, 196);
        tool.lpszText = state.SevenZipTooltipText.data();
        ::SendMessageW(state.SevenZipTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageW(state.SevenZipTooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, kSevenZipTipShowMs);
    }
    ScaleMainWindowTooltips(state);
}

void DestroyMainWindowTooltips(AppState& state) {
    for (HWND* tip : {&state.Tooltip, &state.SevenZipTooltip}) {
        if (*tip) ::DestroyWindow(*tip);
        *tip = nullptr;
    }
}

void ScaleMainWindowTooltips(AppState& state) {
    if (state.Tooltip)
        ::SendMessageW(state.Tooltip, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(state, kGeneralTipWidth96));
    if (state.SevenZipTooltip)
        ::SendMessageW(state.SevenZipTooltip, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(state, kSevenZipTipWidth96));
}

void UpdateSevenZipHint(AppState& state) {
    if (!state.SevenZipTooltip) return;
    TOOLINFOW tool = ToolFor(state, kSevenZipToolId);
    tool.rect = ChildRect(state.MainWindow, IDC_SEVEN_ZIP_CHOICE);
    ::SendMessageW(state.SevenZipTooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    state.SevenZipTooltipText = GetText(state.Language, 196);
    tool.lpszText = state.SevenZipTooltipText.data();
    ::SendMessageW(state.SevenZipTooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    const bool active = state.SevenZipPath.empty() && state.Mode != AppMode::Removal && !state.Busy;
    ::SendMessageW(state.SevenZipTooltip, TTM_ACTIVATE, active, 0);
}

void RefreshGeneralTooltip(AppState& state) {
    if (state.Tooltip) ::SendMessageW(state.Tooltip, TTM_UPDATE, 0, 0);
}

bool AnswerTooltipText(AppState& state, NMHDR& header) {
    if (header.hwndFrom != state.Tooltip || header.code != TTN_GETDISPINFOW) return false;
    auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
    HWND control = reinterpret_cast<HWND>(header.idFrom);
    const LangId language = state.Language;
    switch (::GetDlgCtrlID(control)) {
    case IDC_SELECT_OLD_DRIVERS:
        state.TooltipText = GetText(language, state.Options.DisableBootCriticalProtection ||
                                                      state.Options.AllowNewerUnusedRemoval
                                                  ? 232
                                                  : 58);
        break;
    case IDC_SEARCH_LABEL: state.TooltipText = std::wstring(GetText(language, 26)) + L" (Ctrl+F)"; break;
    default: state.TooltipText = WindowTextOf(control); break;
    }
    info.lpszText = state.TooltipText.data();
    return true;
}
