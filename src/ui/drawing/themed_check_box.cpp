#include "ui/drawing/themed_check_box.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/palette.h"
#include "core/system_function.h"

namespace {

constexpr int kClassicBox96 = 13;

// The theme library, looked up once; every member is null without it. Themes
// for a DPI came with Windows 10 1703; before that the classic box is drawn.
struct ThemeFunctions {
    Module Library;
    decltype(&::OpenThemeDataForDpi) Open = nullptr;
    decltype(&::CloseThemeData) Close = nullptr;
    decltype(&::GetThemePartSize) PartSize = nullptr;
    decltype(&::DrawThemeBackground) Draw = nullptr;
};

const ThemeFunctions& Themes() {
    static const ThemeFunctions functions = [] {
        ThemeFunctions loaded;
        loaded.Library.reset(::LoadLibraryExW(L"uxtheme.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        HMODULE library = loaded.Library.get();
        loaded.Open = LookUpFunction<decltype(loaded.Open)>(library, "OpenThemeDataForDpi");
        loaded.Close = LookUpFunction<decltype(loaded.Close)>(library, "CloseThemeData");
        loaded.PartSize = LookUpFunction<decltype(loaded.PartSize)>(library, "GetThemePartSize");
        loaded.Draw = LookUpFunction<decltype(loaded.Draw)>(library, "DrawThemeBackground");
        if (!loaded.Close || !loaded.PartSize || !loaded.Draw) loaded.Open = nullptr;
        return loaded;
    }();
    return functions;
}

// The button theme at a DPI for the life of the object; null without one.
class ButtonTheme {
public:
    ButtonTheme(HWND window, UINT dpi) : theme_(Themes().Open ? Themes().Open(window, L"BUTTON", dpi) : nullptr) {}
    ButtonTheme(const ButtonTheme&) = delete;
    ButtonTheme& operator=(const ButtonTheme&) = delete;
    ~ButtonTheme() {
        if (theme_) Themes().Close(theme_);
    }
    [[nodiscard]] HTHEME get() const { return theme_; }

private:
    HTHEME theme_;
};

int ThemeState(CheckBoxLook look) {
    switch (look) {
    case CheckBoxLook::Checked: return CBS_CHECKEDNORMAL;
    case CheckBoxLook::Mixed: return CBS_MIXEDNORMAL;
    case CheckBoxLook::Unchecked: break;
    }
    return CBS_UNCHECKEDNORMAL;
}

void DrawClassic(HDC dc, const RECT& box, CheckBoxLook look) {
    RECT frame = box;
    ::DrawFrameControl(dc, &frame, DFC_BUTTON,
                       DFCS_BUTTONCHECK | DFCS_FLAT | (look == CheckBoxLook::Checked ? DFCS_CHECKED : 0));
    if (look != CheckBoxLook::Mixed) return;
    const int side = std::max<int>(3, std::min(box.right - box.left, box.bottom - box.top) * 2 / 5);
    const int left = (box.left + box.right - side) / 2;
    const int top = (box.top + box.bottom - side) / 2;
    const RECT mark{left, top, left + side, top + side};
    ::SetDCBrushColor(dc, kColorAccent);
    ::FillRect(dc, &mark, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

}  // namespace

SIZE CheckBoxSize(HWND window, UINT dpi) {
    const ButtonTheme theme(window, dpi);
    SIZE size{};
    if (theme.get() &&
        SUCCEEDED(Themes().PartSize(theme.get(), nullptr, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, nullptr, TS_DRAW, &size)) &&
        size.cx > 0 && size.cy > 0)
        return size;
    const int side = ScaleToDpi(kClassicBox96, dpi);
    return {side, side};
}

void DrawCheckBox(HDC dc, const RECT& box, CheckBoxLook look, HWND window, UINT dpi) {
    const ButtonTheme theme(window, dpi);
    if (theme.get() && SUCCEEDED(Themes().Draw(theme.get(), dc, BP_CHECKBOX, ThemeState(look), &box, nullptr)))
        return;
    DrawClassic(dc, box, look);
}
