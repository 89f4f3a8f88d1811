#include "ui/dialogs/confirm_removal_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "dialog_ids.h"
#include "ui/dialogs/dialog_button.h"
#include "ui/dialogs/dialog_font.h"
#include "ui/dialogs/dialog_geometry.h"
#include "ui/dialogs/dialog_procedure.h"
#include "ui/dialogs/dialog_surface.h"
#include "ui/drawing/accessible_texts.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/rounded_shapes.h"
#include "ui/drawing/solid_fill.h"
#include "ui/drawing/window_frame.h"
#include "ui/drawing/window_text.h"

namespace {

constexpr TextId kListNameText = 267;  // what screen readers call the list

constexpr UINT_PTR kEnterSubclass = 0x5143;

// The Remove button takes Enter for itself; Enter anywhere else reaches the
// default button, Cancel.
LRESULT CALLBACK ClaimEnterProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_GETDLGCODE:
        if (wParam == VK_RETURN) return DLGC_WANTMESSAGE | ::DefSubclassProc(button, message, wParam, lParam);
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            ::SendMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(button));
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r') return 0;
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(button, ClaimEnterProc, kEnterSubclass);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(button, message, wParam, lParam);
}

RECT Offset(RECT rect, int dx, int dy) {
    ::OffsetRect(&rect, dx, dy);
    return rect;
}

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

// A red exclamation mark in a pale circle, drawn on white.
void DrawWarningMark(HDC dc, const RECT& area) {
    FillSolidRect(dc, area, kColorWhite);
    const int side = std::min(Width(area), Height(area));
    const int left = area.left + (Width(area) - side) / 2;
    const int top = area.top + (Height(area) - side) / 2;
    const COLORREF circle = RGB(252, 233, 235);
    DrawRoundedRect(dc, {left, top, left + side, top + side}, circle, circle, circle, side);
    const int bar = std::max(2, side / 11);
    const int barLeft = left + (side - bar) / 2;
    const int barTop = top + side / 3;
    const int barBottom = barTop + side / 5;
    DrawRoundedRect(dc, {barLeft, barTop, barLeft + bar, barBottom}, kColorDanger, kColorDanger, kColorDanger, bar);
    const int dotTop = barBottom + bar / 2;
    DrawRoundedRect(dc, {barLeft, dotTop, barLeft + bar, dotTop + bar}, kColorDanger, kColorDanger, kColorDanger,
                    bar / 2);
}

class ConfirmRemovalDialog {
public:
    explicit ConfirmRemovalDialog(const ConfirmRemovalParams& params) : params_(params) {}

    HWND Window = nullptr;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG: return OnInitDialog();
        case WM_SIZE: Layout(); return TRUE;
        case WM_GETMINMAXINFO: OnMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam)); return TRUE;
        case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return TRUE;
        case WM_ERASEBKGND: return TRUE;
        case WM_PAINT: OnPaint(); return TRUE;
        case WM_CTLCOLORSTATIC: return TextOnWhite(wParam);
        case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) ::EndDialog(Window, LOWORD(wParam));
            return TRUE;
        default: return FALSE;
        }
    }

private:
    INT_PTR OnInitDialog() {
        dpi_ = WindowDpi(Window);
        RECT client{};
        ::GetClientRect(Window, &client);
        initialClient_ = {client.right, client.bottom};
        ApplyWindowFrameAttributes(Window);
        const LangId language = params_.Language;
        ::SetWindowTextW(Window, GetText(language, 111));
        ::SetDlgItemTextW(Window, IDC_CONFIRM_TEXT, params_.Message.c_str());
        ::SetDlgItemTextW(Window, IDOK, GetText(language, 65));
        ::SetDlgItemTextW(Window, IDCANCEL, GetText(language, 171));
        icon_ = ChildRect(Window, IDC_CONFIRM_ICON);
        text_ = ChildRect(Window, IDC_CONFIRM_TEXT);
        list_ = ChildRect(Window, IDC_CONFIRM_LIST);
        cancel_ = ChildRect(Window, IDCANCEL);
        remove_ = ChildRect(Window, IDOK);
        ::ShowWindow(::GetDlgItem(Window, IDC_CONFIRM_ICON), params_.ShowWarningIcon ? SW_SHOW : SW_HIDE);
        for (const int id : {IDOK, IDCANCEL}) TrackButtonHover(::GetDlgItem(Window, id));
        ::SetWindowSubclass(::GetDlgItem(Window, IDOK), ClaimEnterProc, kEnterSubclass, 0);
        FillList();
        PlaceWindow();
        Layout();
        SetColumnWidths();
        ::SendMessageW(Window, DM_SETDEFID, IDCANCEL, 0);
        ::SetFocus(::GetDlgItem(Window, IDCANCEL));
        return FALSE;  // the focus is set
    }

    void FillList() {
        const HWND list = ::GetDlgItem(Window, IDC_CONFIRM_LIST);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
        ListView_SetBkColor(list, kColorWhite);
        ListView_SetTextBkColor(list, kColorWhite);
        ListView_SetTextColor(list, kColorText);
        SetAccessibleName(list, GetText(params_.Language, kListNameText));
        const TextId headings[] = {40, 38, 39, 184, 185};
        for (int column = 0; column < 5; ++column) {
            LVCOLUMNW item{};
            item.mask = LVCF_TEXT | LVCF_WIDTH;
            item.pszText = const_cast<wchar_t*>(GetText(params_.Language, headings[column]));
            item.cx = 50;
            ListView_InsertColumn(list, column, &item);
        }
        int row = 0;
        for (const ConfirmationRow& source : params_.Rows) {
            const std::wstring* cells[] = {&source.Package, &source.Version, &source.Date, &source.Size,
                                           &source.Reason};
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = const_cast<wchar_t*>(cells[0]->c_str());
            ListView_InsertItem(list, &item);
            for (int column = 1; column < 5; ++column)
                ListView_SetItemText(list, row, column, const_cast<wchar_t*>(cells[column]->c_str()));
            ++row;
        }
    }

    void SetColumnWidths() const {
        const HWND list = ::GetDlgItem(Window, IDC_CONFIRM_LIST);
        RECT client{};
        ::GetClientRect(list, &client);
        // The last column takes what the rounded shares leave, so no scroll bar appears.
        const int shares[] = {29, 12, 12, 10};
        int used = 0;
        for (int column = 0; column < 4; ++column) {
            const int width = ::MulDiv(client.right, shares[column], 100);
            ListView_SetColumnWidth(list, column, width);
            used += width;
        }
        ListView_SetColumnWidth(list, 4, std::max(0, static_cast<int>(client.right) - used - 1));
    }

    // Not taller than the main window may get, inside its monitor's work area, centred there.
    void PlaceWindow() {
        const HWND owner = ::GetWindow(Window, GW_OWNER);
        const RECT area = MonitorWorkArea(owner ? owner : Window, dpi_);
        RECT window{};
        ::GetWindowRect(Window, &window);
        int height = Height(window);
        if (params_.HeightLimit > 0) height = std::min(height, params_.HeightLimit);
        const int width = std::min(Width(window), Width(area));
        height = std::min(height, Height(area));
        ::SetWindowPos(Window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
        CentreInside(Window, area, area);
    }

    void OnMinMaxInfo(MINMAXINFO& info) const {
        if (dpi_ == 0) return;
        const RECT area = MonitorWorkArea(Window, dpi_);
        info.ptMinTrackSize.x = std::min(ScaleToDpi(540, dpi_), Width(area));
        info.ptMinTrackSize.y = std::min(ScaleToDpi(300, dpi_), Height(area));
    }

    void OnDpiChanged(UINT dpi, const RECT& suggested) {
        const int from = static_cast<int>(dpi_);
        const int to = static_cast<int>(dpi);
        for (RECT* rect : {&icon_, &text_, &list_, &cancel_, &remove_}) *rect = ScaleRect(*rect, to, from);
        initialClient_ = {::MulDiv(initialClient_.cx, to, from), ::MulDiv(initialClient_.cy, to, from)};
        RescaleDialogFont(Window, dpi_, dpi, font_);
        dpi_ = dpi;
        const RECT area = MonitorWorkArea(Window, dpi_);
        const int width = std::min(Width(suggested), Width(area));
        const int height = std::min(Height(suggested), Height(area));
        const int left = std::clamp<int>(suggested.left, area.left, area.right - width);
        const int top = std::clamp<int>(suggested.top, area.top, area.bottom - height);
        ::SetWindowPos(Window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        Layout();
        SetColumnWidths();
    }

    void Layout() {
        if (dpi_ == 0) return;
        RECT client{};
        ::GetClientRect(Window, &client);
        const int dx = client.right - initialClient_.cx;
        const int dy = client.bottom - initialClient_.cy;
        RECT cancel = Offset(cancel_, dx, dy);
        RECT remove = Offset(remove_, dx, dy);
        if (cancel.left < list_.left) {
            // Too narrow: both buttons shrink in proportion so that Cancel starts at the list.
            const int span = remove.right - cancel.left;
            const int room = std::max<int>(0, remove.right - list_.left);
            cancel.left = list_.left;
            cancel.right = list_.left + ::MulDiv(Width(cancel_), room, span);
            remove.left = remove.right - ::MulDiv(Width(remove_), room, span);
        }
        const int listBottom = static_cast<int>(cancel.top - (cancel_.top - list_.bottom));
        const int gapAboveList = static_cast<int>(list_.top - text_.bottom);

        RECT text = text_;
        if (!params_.ShowWarningIcon) text.left = icon_.left;
        text.right = text_.right + dx;
        const HWND edit = ::GetDlgItem(Window, IDC_CONFIRM_TEXT);
        ::ShowScrollBar(edit, SB_VERT, FALSE);
        MoveChild(Window, IDC_CONFIRM_TEXT, text);
        const int lines = static_cast<int>(::SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
        const int needed = lines * LineHeightIn(edit) + ScaleToDpi(4, dpi_);
        int height = std::clamp(needed, Height(icon_), std::max(Height(icon_), Height(text_)));
        height = std::max<int>(1, std::min<int>(height, listBottom - ScaleToDpi(60, dpi_) - gapAboveList - text.top));
        text.bottom = text.top + height;
        MoveChild(Window, IDC_CONFIRM_TEXT, text);
        ::ShowScrollBar(edit, SB_VERT, needed > height);

        const RECT list{list_.left, text.bottom + gapAboveList, list_.right + dx, listBottom};
        MoveChild(Window, IDC_CONFIRM_LIST, list);
        MoveChild(Window, IDCANCEL, cancel);
        MoveChild(Window, IDOK, remove);
        placedText_ = text;
        placedList_ = list;
        buttonsTop_ = cancel.top;
        ::InvalidateRect(Window, nullptr, TRUE);
    }

    // A card behind the message, as wide as the list.
    void OnPaint() const {
        PaintDialogSurface(Window, (placedList_.bottom + buttonsTop_) / 2, [this](HDC dc) {
            const int margin = ScaleToDpi(8, dpi_);
            DrawCard(dc, {placedList_.left, placedText_.top - margin, placedList_.right, placedText_.bottom + margin},
                     dpi_);
        });
    }

    void OnDrawItem(const DRAWITEMSTRUCT& item) const {
        switch (item.CtlID) {
        case IDC_CONFIRM_ICON: DrawWarningMark(item.hDC, item.rcItem); break;
        case IDOK: DrawDialogButton(item, ButtonKind::Danger, kColorBand); break;
        case IDCANCEL: DrawDialogButton(item, ButtonKind::Neutral, kColorBand); break;
        default: break;
        }
    }

    const ConfirmRemovalParams& params_;
    UINT dpi_ = 0;
    FontHandle font_;  // the template's font rescaled, after a DPI change
    SIZE initialClient_{};
    RECT icon_{};
    RECT text_{};
    RECT list_{};
    RECT cancel_{};
    RECT remove_{};
    RECT placedText_{};
    RECT placedList_{};
    int buttonsTop_ = 0;
};

}  // namespace

INT_PTR ShowConfirmRemovalDialog(HINSTANCE instance, HWND owner, const ConfirmRemovalParams& params) {
    ConfirmRemovalDialog dialog(params);
    const INT_PTR result =
        ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_CONFIRM_REMOVAL), owner,
                          DialogProcedure<ConfirmRemovalDialog>, reinterpret_cast<LPARAM>(&dialog));
    return result == IDOK ? IDOK : IDCANCEL;
}
