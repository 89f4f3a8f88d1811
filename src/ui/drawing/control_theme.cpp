#include "ui/drawing/control_theme.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "ui/drawing/palette.h"
#include "core/system_function.h"

namespace {

using SetWindowThemeFunction = decltype(&::SetWindowTheme);

void SetTheme(HWND control, const wchar_t* application, const wchar_t* classes) {
    static const auto uxtheme = LoadSystemFunction<SetWindowThemeFunction>(L"uxtheme.dll", "SetWindowTheme");
    if (uxtheme.Call) uxtheme.Call(control, application, classes);
}

}  // namespace

void ApplyExplorerTheme(HWND control) { SetTheme(control, L"Explorer", nullptr); }

void StyleProgressBar(HWND progress) {
    // Empty names switch the theme off; only an unthemed bar honours its colours.
    SetTheme(progress, L"", L"");
    // High contrast: the system's selection colour on its button face.
    const bool system = g_palette.HighContrast;
    ::SendMessageW(progress, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(system ? CLR_DEFAULT : kColorAccent));
    ::SendMessageW(progress, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(system ? CLR_DEFAULT : kColorMuted));
}
