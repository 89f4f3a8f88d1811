#include "ui/dialogs/settings_dialog.h"

#include "dialog_ids.h"
#include "platform/removal_permission.h"
#include "ui/dialogs/dialog_button.h"
#include "ui/dialogs/dialog_font.h"
#include "ui/dialogs/dialog_geometry.h"
#include "ui/dialogs/dialog_procedure.h"
#include "ui/dialogs/dialog_surface.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/solid_fill.h"
#include "ui/drawing/window_frame.h"
#include "ui/main_window/app_state.h"

namespace {

bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

class SettingsDialog {
public:
    explicit SettingsDialog(AppState& state) : state_(state) {}

    HWND Window = nullptr;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG: OnInitDialog(); return TRUE;
        case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return TRUE;
        case WM_ERASEBKGND: return TRUE;
        case WM_PAINT: OnPaint(); return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return reinterpret_cast<INT_PTR>(
                OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
        case WM_COMMAND: OnCommand(LOWORD(wParam)); return TRUE;
        default: return FALSE;
        }
    }

private:
    bool HasTarget() const { return !state_.TargetRoot.empty(); }

    void OnInitDialog() {
        dpi_ = WindowDpi(Window);
        ApplyWindowFrameAttributes(Window);
        const LangId language = state_.Language;
        ::SetWindowTextW(Window, GetText(language, 214));
        const struct {
            int Id;
            TextId Text;
        } texts[] = {{IDC_SETTINGS_HEADING, 2},
                     {IDC_SETTINGS_BOOT_CRITICAL, 215},
                     {IDC_SETTINGS_BOOT_CRITICAL_NOTE, 216},
                     {IDC_SETTINGS_NEWER_UNUSED, 217},
                     {IDC_SETTINGS_NEWER_UNUSED_NOTE, 218},
                     {IDC_SETTINGS_WARN_RISKS, 243},
                     {IDC_SETTINGS_WARN_RISKS_NOTE, 244},
                     {IDC_SETTINGS_MANUAL_ALL, 255},
                     {IDOK, 219},
                     {IDCANCEL, 171}};
        for (const auto& text : texts) ::SetDlgItemTextW(Window, text.Id, GetText(language, text.Text));

        const RemovalOptions& options = state_.Options;
        ::CheckDlgButton(Window, IDC_SETTINGS_BOOT_CRITICAL, options.DisableBootCriticalProtection);
        ::CheckDlgButton(Window, IDC_SETTINGS_NEWER_UNUSED, options.AllowNewerUnusedRemoval);
        ::CheckDlgButton(Window, IDC_SETTINGS_WARN_RISKS, options.WarnAboutRisks);
        const TargetWindows target{L"", state_.TargetRoot, state_.TargetIsCurrent};
        ::CheckDlgButton(Window, IDC_SETTINGS_MANUAL_ALL, HasTarget() && ManualRemoveAllEnabled(options, target));
        ::EnableWindow(::GetDlgItem(Window, IDC_SETTINGS_MANUAL_ALL), HasTarget());
        const std::wstring note =
            HasTarget() ? GetText(language, state_.TargetIsCurrent ? 69 : 70) + state_.TargetRoot + L"\r\n" +
                              GetText(language, 256)
                        : std::wstring(GetText(language, 258));
        ::SetDlgItemTextW(Window, IDC_SETTINGS_MANUAL_ALL_NOTE, note.c_str());
        ApplyManualAllRule();

        for (const int id : {IDOK, IDCANCEL}) TrackButtonHover(::GetDlgItem(Window, id));
        CentreOverOwner(Window, ::GetWindow(Window, GW_OWNER));
        ::SendMessageW(Window, DM_SETDEFID, IDOK, 0);
    }

    // A fixed layout: every control and the font scale with the DPI.
    void OnDpiChanged(UINT dpi, const RECT& suggested) {
        const int from = static_cast<int>(dpi_);
        const int to = static_cast<int>(dpi);
        ::SetWindowPos(Window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                       suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        for (HWND child = ::GetWindow(Window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const int id = ::GetDlgCtrlID(child);
            MoveChild(Window, id, ScaleRect(ChildRect(Window, id), to, from));
        }
        RescaleDialogFont(Window, dpi_, dpi, font_);
        dpi_ = dpi;
        ::InvalidateRect(Window, nullptr, TRUE);
    }

    // Manual removal of everything takes the place of the first two options.
    void ApplyManualAllRule() const {
        const bool enabled = !IsChecked(Window, IDC_SETTINGS_MANUAL_ALL);
        for (const int id : {IDC_SETTINGS_BOOT_CRITICAL, IDC_SETTINGS_BOOT_CRITICAL_NOTE, IDC_SETTINGS_NEWER_UNUSED,
                             IDC_SETTINGS_NEWER_UNUSED_NOTE})
            ::EnableWindow(::GetDlgItem(Window, id), enabled);
    }

    void OnCommand(int id) {
        switch (id) {
        case IDC_SETTINGS_MANUAL_ALL: ApplyManualAllRule(); break;
        case IDOK: Save(); break;
        case IDCANCEL: ::EndDialog(Window, IDCANCEL); break;
        default: break;
        }
    }

    void Save() {
        RemovalOptions options = state_.Options;
        options.DisableBootCriticalProtection = IsChecked(Window, IDC_SETTINGS_BOOT_CRITICAL);
        options.AllowNewerUnusedRemoval = IsChecked(Window, IDC_SETTINGS_NEWER_UNUSED);
        options.WarnAboutRisks = IsChecked(Window, IDC_SETTINGS_WARN_RISKS);
        if (HasTarget()) {
            bool& manualAll = state_.TargetIsCurrent ? options.ManualRemoveAllCurrent : options.ManualRemoveAllOffline;
            manualAll = IsChecked(Window, IDC_SETTINGS_MANUAL_ALL);
        }
        if (!WriteSettingDword(L"DriverRemovalOptions", EncodeRemovalOptions(options))) {
            ::MessageBoxW(Window, GetText(state_.Language, 220), GetText(state_.Language, 214), MB_OK | MB_ICONERROR);
            return;
        }
        state_.Options = options;
        ::EndDialog(Window, IDOK);
    }

    HBRUSH OnControlColour(HDC dc, HWND control) const {
        const int id = ::GetDlgCtrlID(control);
        const bool note = id == IDC_SETTINGS_BOOT_CRITICAL_NOTE || id == IDC_SETTINGS_NEWER_UNUSED_NOTE ||
                          id == IDC_SETTINGS_WARN_RISKS_NOTE || id == IDC_SETTINGS_MANUAL_ALL_NOTE;
        const COLORREF colour = !::IsWindowEnabled(control) ? ::GetSysColor(COLOR_GRAYTEXT)
                                : note                      ? kColorSecondary
                                                            : kColorText;
        return ControlColorBrush(dc, colour, kColorWindow, true);
    }

    void OnPaint() const {
        PaintDialogSurface(Window, ChildRect(Window, IDOK).top - ScaleToDpi(5, WindowDpi(Window)));
    }

    void OnDrawItem(const DRAWITEMSTRUCT& item) const {
        DrawDialogButton(item, item.CtlID == IDOK ? ButtonKind::Primary : ButtonKind::Neutral, kColorBand);
    }

    AppState& state_;
    UINT dpi_ = kDefaultDpi;
    FontHandle font_;  // the template's font rescaled, after a DPI change
};

}  // namespace

bool ShowSettingsDialog(AppState& state) {
    SettingsDialog dialog(state);
    return ::DialogBoxParamW(state.Instance, MAKEINTRESOURCEW(IDD_SETTINGS), state.MainWindow,
                             DialogProcedure<SettingsDialog>, reinterpret_cast<LPARAM>(&dialog)) == IDOK;
}
