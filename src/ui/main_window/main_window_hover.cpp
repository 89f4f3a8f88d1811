#include "ui/main_window/main_window_hover.h"

#include "ui/main_window/main_window_controls.h"

namespace {

constexpr UINT kHelpHideDelayMs = 450;

void SetTitleFont(const AppState& state, bool underlined) {
    HFONT font = underlined ? state.HeadingUnderlinedFont : state.HeadingFont;
    HWND title = ::GetDlgItem(state.MainWindow, IDC_MODE_TITLE);
    if (title && font) ::SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ShowHelpButton(const AppState& state, bool shown) {
    if (HWND help = ::GetDlgItem(state.MainWindow, IDC_HELP_BUTTON)) ::ShowWindow(help, shown ? SW_SHOWNA : SW_HIDE);
}

// Its fill shows whether the pointer is over it.
void RepaintHelpButton(const AppState& state) {
    if (HWND help = ::GetDlgItem(state.MainWindow, IDC_HELP_BUTTON)) ::InvalidateRect(help, nullptr, FALSE);
}

bool* HoverFlag(AppState& state, HWND control) {
    switch (::GetDlgCtrlID(control)) {
    case IDC_MODE_TITLE: return &state.TitleHovered;
    case IDC_HELP_BUTTON: return &state.HelpHovered;
    default: return nullptr;
    }
}

}  // namespace

void OnHoverMove(AppState& state, HWND control) {
    bool* hovered = HoverFlag(state, control);
    if (!hovered || *hovered || state.Busy) return;
    *hovered = true;
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, control, 0};
    ::TrackMouseEvent(&track);
    if (hovered == &state.TitleHovered) SetTitleFont(state, true);
    if (hovered == &state.HelpHovered) RepaintHelpButton(state);
    if (state.HelpIcon) ShowHelpButton(state, true);
}

void OnHoverLeave(AppState& state, HWND control) {
    bool* hovered = HoverFlag(state, control);
    if (!hovered || !*hovered) return;
    *hovered = false;
    if (hovered == &state.TitleHovered) SetTitleFont(state, false);
    if (hovered == &state.HelpHovered) RepaintHelpButton(state);
    ::SetTimer(state.MainWindow, kHelpHideTimer, kHelpHideDelayMs, nullptr);
}

void OnHelpHideTimer(AppState& state) {
    ::KillTimer(state.MainWindow, kHelpHideTimer);
    if (!state.TitleHovered && !state.HelpHovered) ShowHelpButton(state, false);
}

void EndTitleHover(AppState& state) {
    if (state.TitleHovered) SetTitleFont(state, false);
    state.TitleHovered = false;
    state.HelpHovered = false;
    ShowHelpButton(state, false);
}
