#include "ui/dialogs/log_window.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/string_compare.h"
#include "dialog_ids.h"
#include "operations/seven_zip_version.h"
#include "platform/package_text.h"
#include "ui/dialogs/dialog_button.h"
#include "ui/dialogs/dialog_geometry.h"
#include "ui/dialogs/dialog_procedure.h"
#include "ui/dialogs/dialog_surface.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/ui_fonts.h"
#include "ui/drawing/window_frame.h"
#include "ui/main_window/app_state.h"
#include "ui/main_window/main_window.h"

namespace {

// Sent by RefreshLogWindow: the interface language may have changed.
constexpr UINT kFollowLanguage = WM_APP + 1;
constexpr int kBodyPoints = 9;

const wchar_t* OrDash(const std::wstring& text) { return text.empty() ? L"\u2014" : text.c_str(); }

// What the loaded installed list holds, when it belongs to the chosen target.
std::wstring PackageReport(const AppState& state) {
    const LangId language = state.Language;
    if (!IsLoadedListCurrent(state.InstalledKey, state.TargetRoot, state.TargetIsCurrent))
        return GetText(language, 233) + std::wstring(L"\r\n");
    std::wstring report = GetText(language, 16) + (L" \u2014 " + state.TargetRoot) + L"\r\n";
    report += GetText(language, 136) + std::to_wstring(state.Installed.size()) + L"\r\n";
    if (state.Bindings.AssociatedKnown) {
        report += GetText(language, 234) + std::to_wstring(state.Bindings.Associated) + L"\r\n";
        if (state.Bindings.RunningKnown)
            report += GetText(language, 235) + std::to_wstring(state.Bindings.Running) + L"\r\n";
    } else {
        report += GetText(language, 236) + std::wstring(L"\r\n");
    }
    if (state.Installed.empty()) return report;
    std::vector<const DriverPackage*> sorted;
    for (const DriverPackage& package : state.Installed) sorted.push_back(&package);
    const IgnoreCaseLess less;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const DriverPackage* a, const DriverPackage* b) {
        if (less(a->OriginalInfName, b->OriginalInfName)) return true;
        if (less(b->OriginalInfName, a->OriginalInfName)) return false;
        return less(a->PublishedName, b->PublishedName);
    });
    report += L"\r\n" + std::wstring(GetText(language, 237)) + L"\r\n";
    for (const DriverPackage* package : sorted) {
        report += PackageDisplayName(*package) + L"  |  " + GetText(language, 8) + OrDash(package->Version) +
                  L"  |  " + GetText(language, 39) + L" " + OrDash(package->Date) + L"\r\n";
    }
    return report;
}

class LogWindow {
public:
    explicit LogWindow(AppState& state) : state_(state) {}

    HWND Window = nullptr;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG: OnInitDialog(); return FALSE;  // the focus is set
        case WM_SIZE: Layout(); return TRUE;
        case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return TRUE;
        case kFollowLanguage:
            if (language_ != state_.Language) ApplyLanguage();
            return TRUE;
        case WM_ERASEBKGND: return TRUE;
        case WM_PAINT: OnPaint(); return TRUE;
        case WM_CTLCOLORSTATIC: return TextOnWhite(wParam);
        case WM_DRAWITEM:
            DrawDialogButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), ButtonKind::Neutral, kColorBand,
                             ButtonGlyph::FromLine(LineGlyph::Cross));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_LOG_CLOSE || LOWORD(wParam) == IDCANCEL) ::DestroyWindow(Window);
            return TRUE;
        case WM_CLOSE: ::DestroyWindow(Window); return TRUE;
        case WM_DESTROY:
            if (state_.Events.LogWindow == Window) state_.Events.LogWindow = nullptr;
            return TRUE;
        case WM_NCDESTROY: delete this; return TRUE;
        default: return FALSE;
        }
    }

private:
    void OnInitDialog() {
        state_.Events.LogWindow = Window;
        RECT client{};
        ::GetClientRect(Window, &client);
        initialClient_ = {client.right, client.bottom};
        edit_ = ChildRect(Window, IDC_LOG_TEXT);
        close_ = ChildRect(Window, IDC_LOG_CLOSE);
        initialDpi_ = dpi_ = WindowDpi(Window);
        ApplyWindowFrameAttributes(Window);
        const HWND edit = ::GetDlgItem(Window, IDC_LOG_TEXT);
        ::SendMessageW(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
        ApplyLanguage();
        TrackButtonHover(::GetDlgItem(Window, IDC_LOG_CLOSE));
        // Focused by the dialog manager the edit would select all its text.
        ::SetFocus(edit);
        RefreshLogWindow(state_);
    }

    // The edit follows all four sides and Close the bottom right corner, both
    // scaled from the first layout.
    void Layout() {
        if (initialDpi_ == 0) return;
        RECT client{};
        ::GetClientRect(Window, &client);
        const int scale = static_cast<int>(dpi_);
        const int base = static_cast<int>(initialDpi_);
        const RECT edit = ScaleRect(edit_, scale, base);
        const RECT close = ScaleRect(close_, scale, base);
        const int dx = client.right - ::MulDiv(initialClient_.cx, scale, base);
        const int dy = client.bottom - ::MulDiv(initialClient_.cy, scale, base);
        placedEdit_ = {edit.left, edit.top, edit.right + dx, edit.bottom + dy};
        placedClose_ = {close.left + dx, close.top + dy, close.right + dx, close.bottom + dy};
        MoveChild(Window, IDC_LOG_TEXT, placedEdit_);
        MoveChild(Window, IDC_LOG_CLOSE, placedClose_);
        ::InvalidateRect(Window, nullptr, TRUE);
    }

    void ApplyLanguage() {
        language_ = state_.Language;
        ::SetWindowTextW(Window, GetText(language_, 15));
        ::SetDlgItemTextW(Window, IDC_LOG_CLOSE, GetText(language_, 68));
        ApplyFont();
    }

    // A font of the window's own, for its own DPI: the main window's fonts are
    // replaced on every language or DPI change there.
    void ApplyFont() {
        FontHandle font = CreateUiFont(BodyFace(language_), kBodyPoints, kWeightRegular, false, dpi_);
        if (!font) return;
        for (const int id : {IDC_LOG_TEXT, IDC_LOG_CLOSE})
            ::SendDlgItemMessageW(Window, id, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        font_ = std::move(font);
    }

    void OnDpiChanged(UINT dpi, const RECT& suggested) {
        dpi_ = dpi;
        ApplyFont();
        ::SetWindowPos(Window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                       suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        Layout();
    }

    void OnPaint() const { PaintDialogSurface(Window, (placedEdit_.bottom + placedClose_.top) / 2); }

    AppState& state_;
    SIZE initialClient_{};
    RECT edit_{};
    RECT close_{};
    RECT placedEdit_{};
    RECT placedClose_{};
    UINT initialDpi_ = 0;
    UINT dpi_ = 0;
    LangId language_ = 0;
    FontHandle font_;
};

}  // namespace

void ShowLogWindow(AppState& state) {
    HWND window = state.Events.LogWindow;
    if (window) {
        RefreshLogWindow(state);
    } else {
        auto* dialog = new LogWindow(state);
        window = ::CreateDialogParamW(state.Instance, MAKEINTRESOURCEW(IDD_LOG), state.MainWindow,
                                      DialogProcedure<LogWindow>, reinterpret_cast<LPARAM>(dialog));
        if (!window) {
            delete dialog;
            return;
        }
    }
    ::ShowWindow(window, SW_SHOW);
    ::SetForegroundWindow(window);
}

void RefreshLogWindow(AppState& state) {
    const HWND window = state.Events.LogWindow;
    if (!window) return;
    ::SendMessageW(window, kFollowLanguage, 0, 0);
    const std::wstring text = SevenZipStatusText(SevenZipTool{state.SevenZipPath}, state.Language) + L"\r\n\r\n" +
                              PackageReport(state) + L"\r\n" + GetText(state.Language, 238) + L"\r\n" +
                              state.Events.MemoryText;
    const HWND edit = ::GetDlgItem(window, IDC_LOG_TEXT);
    ::SetWindowTextW(edit, text.c_str());
    ::SendMessageW(edit, EM_SETSEL, 0, 0);
    ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}
