#include "ui/main_window/main_window_fonts.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>

#include "core/system_function.h"
#include "ui/drawing/ui_fonts.h"
#include "ui/layout/window_layout.h"
#include "ui/main_window/main_window_controls.h"

namespace {

constexpr int kHelpIconSize96 = 16;

void SetFont(HWND control, HFONT font) {
    if (control && font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::array<HFONT*, 5> FontSlots(AppState& state) {
    return {&state.BodyFont, &state.BodySemiboldFont, &state.HeadingFont, &state.HeadingUnderlinedFont,
            &state.DetailsHeadingFont};
}

HICON StockHelpIcon(int size) {
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof(info);
    if (SUCCEEDED(::SHGetStockIconInfo(SIID_HELP, SHGSI_ICONLOCATION, &info))) {
        HICON icon = nullptr;
        if (::SHDefExtractIconW(info.szPath, info.iIcon, 0, &icon, nullptr, static_cast<UINT>(size)) == S_OK && icon)
            return icon;
    }
    // Not every import library has it, so it is looked up like the other newer functions.
    static const auto scaleDown = LookUpFunction<decltype(&::LoadIconWithScaleDown)>(
        ::GetModuleHandleW(L"comctl32.dll"), "LoadIconWithScaleDown");
    HICON icon = nullptr;
    return scaleDown && SUCCEEDED(scaleDown(nullptr, IDI_QUESTION, size, size, &icon)) ? icon : nullptr;
}

}  // namespace

void ApplyMainWindowFonts(AppState& state) {
    MainWindowFonts fonts;
    if (!CreateMainWindowFonts(state.Language, state.Dpi, fonts)) return;
    std::array<HFONT, 5> previous{};
    const std::array<HFONT*, 5> slots = FontSlots(state);
    for (std::size_t i = 0; i < slots.size(); ++i) previous[i] = *slots[i];
    state.BodyFont = fonts.Body.release();
    state.BodySemiboldFont = fonts.BodySemibold.release();
    state.HeadingFont = fonts.Heading.release();
    state.HeadingUnderlinedFont = fonts.HeadingUnderlined.release();
    state.DetailsHeadingFont = fonts.DetailsHeading.release();

    HWND window = state.MainWindow;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        SetFont(child, state.BodyFont);
    SetFont(::GetDlgItem(window, IDC_MODE_TITLE), state.TitleHovered ? state.HeadingUnderlinedFont : state.HeadingFont);
    SetFont(::GetDlgItem(window, IDC_DETAILS_TITLE), state.DetailsHeadingFont);
    SetFont(::GetDlgItem(window, IDC_ACTION), state.BodySemiboldFont);
    // The values are read-only edits; without margins their text lines up with the labels.
    for (int id = IDC_DETAILS_VALUE_0; id <= IDC_DETAILS_VALUE_7; ++id)
        ::SendDlgItemMessageW(window, id, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    for (HFONT font : previous) {
        if (font) ::DeleteObject(font);
    }
}

void DeleteMainWindowFonts(AppState& state) {
    for (HFONT* slot : FontSlots(state)) {
        if (*slot) ::DeleteObject(*slot);
        *slot = nullptr;
    }
}

void LoadHelpIcon(AppState& state) {
    HWND button = ::GetDlgItem(state.MainWindow, IDC_HELP_BUTTON);
    HICON previous = state.HelpIcon;
    state.HelpIcon = StockHelpIcon(ScaleForDpi(state, kHelpIconSize96));
    if (button) {
        if (!state.HelpIcon) ::ShowWindow(button, SW_HIDE);
        ::InvalidateRect(button, nullptr, FALSE);
    }
    if (previous) ::DestroyIcon(previous);
}
