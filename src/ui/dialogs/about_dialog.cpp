#include "ui/dialogs/about_dialog.h"

#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/unique_handle.h"
#include "core/usage_text.h"
#include "dialog_ids.h"
#include "resource_ids.h"
#include "ui/dialogs/dialog_button.h"
#include "ui/dialogs/dialog_geometry.h"
#include "ui/dialogs/dialog_procedure.h"
#include "ui/dialogs/dialog_surface.h"
#include "ui/drawing/accessible_texts.h"
#include "ui/drawing/badge.h"
#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/rounded_shapes.h"
#include "ui/drawing/segmented_control.h"
#include "ui/drawing/solid_fill.h"
#include "ui/drawing/ui_fonts.h"
#include "ui/drawing/window_bands.h"
#include "ui/drawing/window_frame.h"
#include "ui/drawing/window_text.h"
#include "ui/main_window/app_state.h"

namespace {

constexpr UINT kSwitchTab = WM_APP + 50;
constexpr UINT_PTR kKeysSubclass = 0x5144;
constexpr UINT_PTR kTabsSubclass = 0x5145;
constexpr int kTabCount = 2;

// The controls whose design rectangles the layout scales and moves.
constexpr int kLaidOut[] = {IDC_ABOUT_HEADER, IDC_ABOUT_PRODUCT, IDC_ABOUT_TAGLINE, IDC_ABOUT_VERSION,
                            IDC_ABOUT_CREDIT, IDC_ABOUT_TABS,    IDC_ABOUT_FRAME,   IDC_ABOUT_TEXT,
                            IDCANCEL};

std::wstring TabTitle(LangId language, int tab) { return GetText(language, tab == 0 ? 210 : 13); }

std::wstring TabText(LangId language, int tab) {
    if (tab == 0) {
        return GetText(language, 9) + std::wstring(L"\r\n") + GetText(language, 10) + L"\r\n\r\n" +
               GetText(language, 11) + L"\r\n" + GetText(language, 12);
    }
    return GetText(language, 14) + std::wstring(L"\r\n\r\n") + BuildUsageText(language);
}

// Paragraphs as the text control holds them: separated by CR once line feeds are gone.
std::vector<std::wstring> Paragraphs(const std::wstring& text) {
    std::vector<std::wstring> paragraphs;
    std::wstring current;
    for (const wchar_t c : text) {
        if (c == L'\n') continue;
        if (c == L'\r') {
            paragraphs.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    paragraphs.push_back(current);
    return paragraphs;
}

bool IsHeading(LangId language, int tab, const std::wstring& paragraph) {
    if (tab == 0) return paragraph == GetText(language, 9) || paragraph == GetText(language, 11);
    return paragraph.rfind(L"Quillbay.exe", 0) == 0;
}

// "• " or four spaces: wrapped lines align after it.
std::wstring HangingPrefix(const std::wstring& paragraph) {
    if (paragraph.rfind(L"\u2022 ", 0) == 0) return L"\u2022 ";
    if (paragraph.rfind(L"    ", 0) == 0) return L"    ";
    return {};
}

bool Ctrl() { return (::GetKeyState(VK_CONTROL) & 0x8000) != 0; }

int Height(const RECT& rect) { return rect.bottom - rect.top; }


class AboutDialog {
public:
    explicit AboutDialog(AppState& state) : state_(state) {}

    HWND Window = nullptr;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG: return OnInitDialog();
        case WM_DPICHANGED: OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return TRUE;
        case WM_ERASEBKGND: return TRUE;
        case WM_PAINT: OnPaint(); return TRUE;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<INT_PTR>(
                OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lParam)->idFrom == IDC_ABOUT_TABS &&
                reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGE)
                ShowTab(TabCtrl_GetCurSel(Tabs()));
            return TRUE;
        case kSwitchTab:
            TabCtrl_SetCurSel(Tabs(), 1 - tab_);
            ShowTab(1 - tab_);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) ::EndDialog(Window, IDCANCEL);
            return TRUE;
        default: return FALSE;
        }
    }

private:
    HWND Tabs() const { return ::GetDlgItem(Window, IDC_ABOUT_TABS); }
    HWND Text() const { return ::GetDlgItem(Window, IDC_ABOUT_TEXT); }

    INT_PTR OnInitDialog() {
        initialDpi_ = dpi_ = WindowDpi(Window);
        RECT client{};
        ::GetClientRect(Window, &client);
        initialClient_ = {client.right, client.bottom};
        ApplyWindowFrameAttributes(Window);
        ReplaceWithRichText();
        for (const int id : kLaidOut) design_[id] = ChildRect(Window, id);
        for (const int id : {IDC_ABOUT_FRAME, IDC_ABOUT_HEADER})
            ::SetWindowPos(::GetDlgItem(Window, id), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        CreateFonts();
        ApplyTexts();
        const HWND owner = ::GetWindow(Window, GW_OWNER);
        if (owner) {
            const auto icon = ::SendMessageW(owner, WM_GETICON, ICON_BIG, 0);
            if (icon) ::SendMessageW(Window, WM_SETICON, ICON_BIG, icon);
        }
        ::SetWindowSubclass(Tabs(), TabsProc, kTabsSubclass, reinterpret_cast<DWORD_PTR>(this));
        for (const int id : {IDC_ABOUT_TABS, IDC_ABOUT_TEXT, IDCANCEL})
            ::SetWindowSubclass(::GetDlgItem(Window, id), KeysProc, kKeysSubclass, 0);
        TrackButtonHover(::GetDlgItem(Window, IDCANCEL));
        Layout();
        ShowTab(0);
        CentreOverOwner(Window, owner);
        ::SendMessageW(Window, DM_SETDEFID, IDCANCEL, 0);
        ::SetFocus(Tabs());
        return FALSE;
    }

    // A rich text control in place of the plain one, when the system has one.
    void ReplaceWithRichText() {
        const struct {
            const wchar_t* Library;
            const wchar_t* Class;
        } candidates[] = {{L"Msftedit.dll", L"RICHEDIT50W"}, {L"Riched20.dll", L"RichEdit20W"}};
        const HWND plain = Text();
        for (const auto& candidate : candidates) {
            Module library(::LoadLibraryExW(candidate.Library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
            if (!library) continue;
            const RECT rect = ChildRect(Window, IDC_ABOUT_TEXT);
            const auto style = static_cast<DWORD>(::GetWindowLongPtrW(plain, GWL_STYLE));
            const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(plain, GWL_EXSTYLE));
            const HWND rich = ::CreateWindowExW(exStyle, candidate.Class, L"", style, rect.left, rect.top,
                                                rect.right - rect.left, rect.bottom - rect.top, Window,
                                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_ABOUT_TEXT)),
                                                ::GetModuleHandleW(nullptr), nullptr);
            if (!rich) continue;
            ::SetWindowPos(rich, plain, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            ::DestroyWindow(plain);
            ::SendMessageW(rich, EM_SETBKGNDCOLOR, 0, kColorWhite);
            ::SendMessageW(rich, EM_SETTARGETDEVICE, 0, 0);
            richLibrary_ = std::move(library);
            return;
        }
    }

    bool HasRichText() const { return static_cast<bool>(richLibrary_); }

    void CreateFonts() {
        const LangId language = state_.Language;
        product_ = CreateUiFont(HeadingFace(language), 18, kWeightSemibold, false, dpi_);
        body_ = CreateUiFont(BodyFace(language), 10, kWeightRegular, false, dpi_);
        bodyBold_ = CreateUiFont(BodyFace(language), 10, kWeightBold, false, dpi_);
        smallSemibold_ = CreateUiFont(BodyFace(language), 9, kWeightSemibold, false, dpi_);
        const auto set = [this](int id, const FontHandle& font) {
            if (font) ::SendDlgItemMessageW(Window, id, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        };
        set(IDC_ABOUT_PRODUCT, product_);
        for (const int id : {IDC_ABOUT_TAGLINE, IDC_ABOUT_CREDIT, IDC_ABOUT_TEXT, IDCANCEL}) set(id, body_);
        set(IDC_ABOUT_TABS, smallSemibold_);
        TabCtrl_SetPadding(Tabs(), ScaleToDpi(14, dpi_), ScaleToDpi(5, dpi_));
    }

    void ApplyTexts() {
        const LangId language = state_.Language;
        ::SetWindowTextW(Window, GetText(language, 6));
        ::SetDlgItemTextW(Window, IDC_ABOUT_PRODUCT, L"Quillbay");
        ::SetDlgItemTextW(Window, IDC_ABOUT_TAGLINE, GetText(language, 7));
        ::SetDlgItemTextW(Window, IDC_ABOUT_VERSION, (GetText(language, 8) + std::wstring(L"" QB_VERSION_TEXT)).c_str());
        ::SetDlgItemTextW(Window, IDC_ABOUT_CREDIT, GetText(language, 212));
        ::SetDlgItemTextW(Window, IDCANCEL, GetText(language, 68));
        for (int tab = 0; tab < kTabCount; ++tab) {
            std::wstring title = TabTitle(language, tab);
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = title.data();
            TabCtrl_InsertItem(Tabs(), tab, &item);
        }
        TabCtrl_SetCurSel(Tabs(), 0);
    }

    RECT Scaled(int id) const {
        return ScaleRect(design_.at(id), static_cast<int>(dpi_), static_cast<int>(initialDpi_));
    }

    // Height of `text` wrapped at `width` in `font`.
    int WrappedHeight(HFONT font, const std::wstring& text, int width) const {
        const WindowDC dc(Window);
        const SelectedObject selected(dc.get(), font);
        RECT box{0, 0, std::max(1, width), 0};
        ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &box,
                    DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
        return box.bottom;
    }

    // What the taller of the two tabs needs at the text control's width.
    int ContentHeight(int width) const {
        int tallest = 0;
        const int lineHeight = WrappedHeight(body_.get(), L"Ag", 1000);
        for (int tab = 0; tab < kTabCount; ++tab) {
            int height = ScaleToDpi(8, dpi_);
            for (const std::wstring& paragraph : Paragraphs(TabText(state_.Language, tab))) {
                const bool heading = IsHeading(state_.Language, tab, paragraph);
                const HFONT font = heading ? bodyBold_.get() : body_.get();
                const int indent = TextWidthIn(Window, body_.get(), HangingPrefix(paragraph));
                height += std::max(lineHeight, paragraph.empty() ? 0
                                                                 : WrappedHeight(font, paragraph,
                                                                                 width - ScaleToDpi(4, dpi_) - indent));
            }
            tallest = std::max(tallest, height);
        }
        return tallest;
    }

    // Scales the design to the DPI, lets the header grow with its wrapped texts
    // and the content area with the taller tab, within the work area.
    void Layout() {
        const RECT area = MonitorWorkArea(Window, dpi_);
        const int margin = ScaleToDpi(20, dpi_) - ScaleToDpi(10, dpi_);  // the work area is inset by 10 already
        RECT frame{0, 0, 0, 0};
        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(Window, GWL_STYLE));
        const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(Window, GWL_EXSTYLE));
        AdjustWindowRectForDpi(frame, style, exStyle, dpi_);
        const int maxClientWidth = (area.right - area.left) - 2 * margin - (frame.right - frame.left);
        const int maxClientHeight = (area.bottom - area.top) - 2 * margin - (frame.bottom - frame.top);
        const int designWidth = ::MulDiv(initialClient_.cx, static_cast<int>(dpi_), static_cast<int>(initialDpi_));
        const int width = std::min(designWidth, maxClientWidth);
        const int dx = width - designWidth;

        std::map<int, RECT> placed;
        for (const int id : kLaidOut) placed[id] = Scaled(id);
        for (const int id : {IDC_ABOUT_VERSION, IDC_ABOUT_CREDIT, IDCANCEL}) ::OffsetRect(&placed[id], dx, 0);
        for (const int id : {IDC_ABOUT_HEADER, IDC_ABOUT_PRODUCT, IDC_ABOUT_TAGLINE, IDC_ABOUT_TABS,
                             IDC_ABOUT_FRAME, IDC_ABOUT_TEXT})
            placed[id].right += dx;

        int grown = 0;
        for (const int id : {IDC_ABOUT_PRODUCT, IDC_ABOUT_TAGLINE}) {
            RECT& rect = placed[id];
            ::OffsetRect(&rect, 0, grown);
            const HWND control = ::GetDlgItem(Window, id);
            const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
            const int needed = WrappedHeight(font, WindowTextOf(control), rect.right - rect.left);
            const bool wraps = needed > LineHeightIn(control);
            auto controlStyle = ::GetWindowLongPtrW(control, GWL_STYLE);
            controlStyle = wraps ? controlStyle & ~SS_ENDELLIPSIS : controlStyle | SS_ENDELLIPSIS;
            ::SetWindowLongPtrW(control, GWL_STYLE, controlStyle);
            const int extra = std::max(0, needed - Height(rect));
            rect.bottom += extra;
            grown += extra;
        }
        placed[IDC_ABOUT_HEADER].bottom += grown;
        for (const int id : {IDC_ABOUT_TABS, IDC_ABOUT_FRAME, IDC_ABOUT_TEXT, IDCANCEL})
            ::OffsetRect(&placed[id], 0, grown);

        RECT& text = placed[IDC_ABOUT_TEXT];
        RECT& content = placed[IDC_ABOUT_FRAME];
        RECT& close = placed[IDCANCEL];
        const int framePadding = Height(content) - Height(text);
        const int closeGap = close.top - content.bottom;
        const int bottomMargin = ::MulDiv(initialClient_.cy, static_cast<int>(dpi_), static_cast<int>(initialDpi_)) -
                                 Scaled(IDCANCEL).bottom;
        const int fixed = text.top + (framePadding - (text.top - content.top)) + closeGap + Height(close) + bottomMargin;
        const int textHeight = std::max(LineHeightIn(Text()), std::min(ContentHeight(text.right - text.left),
                                                                       maxClientHeight - fixed));
        text.bottom = text.top + textHeight;
        content.bottom = text.bottom + (framePadding - (text.top - content.top));
        ::OffsetRect(&close, 0, content.bottom + closeGap - close.top);
        const int height = close.bottom + bottomMargin;

        for (const auto& [id, rect] : placed) MoveChild(Window, id, rect);
        const RECT& tabs = placed[IDC_ABOUT_TABS];
        // Slightly narrower than half, or the control adds its scroll arrows.
        TabCtrl_SetItemSize(Tabs(), (tabs.right - tabs.left - ScaleToDpi(4, dpi_)) / kTabCount,
                            std::max(1, Height(tabs) - ScaleToDpi(4, dpi_)));
        placed_ = placed;
        RECT window{0, 0, width, height};
        AdjustWindowRectForDpi(window, style, exStyle, dpi_);
        ::SetWindowPos(Window, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::InvalidateRect(Window, nullptr, TRUE);
    }

    void ShowTab(int tab) {
        tab_ = tab;
        const LangId language = state_.Language;
        const std::wstring text = TabText(language, tab);
        const HWND control = Text();
        if (HasRichText()) FormatRichText(control, text);
        else ::SetWindowTextW(control, text.c_str());
        ::SendMessageW(control, EM_SETSEL, 0, 0);
        ::SendMessageW(control, EM_SCROLLCARET, 0, 0);
        ::SendMessageW(control, EM_SETMODIFY, FALSE, 0);
        SetAccessibleName(control, TabTitle(language, tab).c_str());
        ::InvalidateRect(Tabs(), nullptr, TRUE);
    }

    // Bold headings and hanging indents under bullets and indented lines.
    void FormatRichText(HWND control, const std::wstring& text) const {
        const LangId language = state_.Language;
        std::wstring flat;
        for (const wchar_t c : text)
            if (c != L'\n') flat.push_back(c);
        SETTEXTEX setText{ST_DEFAULT, 1200};
        ::SendMessageW(control, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&setText),
                       reinterpret_cast<LPARAM>(flat.c_str()));
        CHARFORMAT2W character{};
        character.cbSize = sizeof(character);
        character.dwMask = CFM_SIZE | CFM_COLOR | CFM_BOLD | CFM_FACE;
        character.yHeight = 10 * 20;
        character.crTextColor = kColorText;
        lstrcpynW(character.szFaceName, BodyFace(language), LF_FACESIZE);
        PARAFORMAT2 paragraphFormat{};
        paragraphFormat.cbSize = sizeof(paragraphFormat);
        paragraphFormat.dwMask = PFM_STARTINDENT | PFM_OFFSET;
        ::SendMessageW(control, EM_SETSEL, 0, -1);
        ::SendMessageW(control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&character));
        ::SendMessageW(control, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraphFormat));

        long start = 0;
        for (const std::wstring& paragraph : Paragraphs(text)) {
            const long end = start + static_cast<long>(paragraph.size());
            if (IsHeading(language, tab_, paragraph)) {
                CHARFORMAT2W bold{};
                bold.cbSize = sizeof(bold);
                bold.dwMask = CFM_BOLD;
                bold.dwEffects = CFE_BOLD;
                ::SendMessageW(control, EM_SETSEL, start, end);
                ::SendMessageW(control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&bold));
            }
            if (const std::wstring prefix = HangingPrefix(paragraph); !prefix.empty()) {
                // The offset of the wrapped lines, in twips of the body font's width.
                paragraphFormat.dxOffset = ::MulDiv(TextWidthIn(Window, body_.get(), prefix), 1440,
                                                    static_cast<int>(dpi_));
                ::SendMessageW(control, EM_SETSEL, start, start);
                ::SendMessageW(control, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraphFormat));
            }
            start = end + 1;
        }
    }

    void OnDpiChanged(UINT dpi, const RECT& suggested) {
        dpi_ = dpi;
        ::SetWindowPos(Window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                       suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        CreateFonts();
        Layout();
        ShowTab(tab_);
    }

    HBRUSH OnControlColour(HDC dc, HWND control) const {
        switch (::GetDlgCtrlID(control)) {
        case IDC_ABOUT_PRODUCT: return ControlColorBrush(dc, kColorText, kColorBand, true);
        case IDC_ABOUT_TAGLINE:
        case IDC_ABOUT_CREDIT: return ControlColorBrush(dc, kColorSecondary, kColorBand, true);
        default: return ControlColorBrush(dc, kColorText, kColorWhite, false);
        }
    }

    // The footer band lies below the content.
    void OnPaint() const {
        const auto frame = placed_.find(IDC_ABOUT_FRAME);
        const auto close = placed_.find(IDCANCEL);
        PaintDialogSurface(Window, frame == placed_.end() || close == placed_.end()
                                       ? 0
                                       : (frame->second.bottom + close->second.top) / 2);
    }

    void OnDrawItem(const DRAWITEMSTRUCT& item) const {
        switch (item.CtlID) {
        case IDC_ABOUT_HEADER: DrawHeaderBand(item.hDC, item.rcItem); break;
        case IDC_ABOUT_FRAME: DrawCard(item.hDC, item.rcItem, dpi_); break;
        case IDC_ABOUT_VERSION:
            DrawBadge(item.hDC, item.rcItem, WindowTextOf(item.hwndItem), smallSemibold_.get(), kColorBand, dpi_);
            break;
        case IDCANCEL: DrawDialogButton(item, ButtonKind::Neutral, kColorBand); break;
        default: break;
        }
    }

    // The tab control drawn as a segmented control.
    void PaintTabs(HWND tabs) const {
        PAINTSTRUCT paint{};
        const HDC dc = ::BeginPaint(tabs, &paint);
        RECT client{};
        ::GetClientRect(tabs, &client);
        FillSolidRect(dc, client, kColorWindow);
        DrawSegmentStrip(dc, client, dpi_);
        const bool focusCues = (::SendMessageW(tabs, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
        for (int tab = 0; tab < kTabCount; ++tab) {
            RECT segment{};
            TabCtrl_GetItemRect(tabs, tab, &segment);
            SegmentState state;
            state.Selected = tab == tab_;
            state.Hovered = tab == hoveredTab_;
            state.Focused = state.Selected && ::GetFocus() == tabs && focusCues;
            DrawSegment(dc, segment, TabTitle(state_.Language, tab), smallSemibold_.get(), state, dpi_);
        }
        ::EndPaint(tabs, &paint);
    }

    void HoverTab(HWND tabs, int tab) {
        if (tab == hoveredTab_) return;
        if (hoveredTab_ < 0) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, tabs, 0};
            ::TrackMouseEvent(&track);
        }
        hoveredTab_ = tab;
        ::InvalidateRect(tabs, nullptr, FALSE);
    }

    static LRESULT CALLBACK TabsProc(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
        auto* dialog = reinterpret_cast<AboutDialog*>(data);
        switch (message) {
        case WM_ERASEBKGND: return TRUE;
        case WM_PAINT: dialog->PaintTabs(tabs); return 0;
        case WM_MOUSEMOVE: {
            TCHITTESTINFO hit{{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, 0};
            dialog->HoverTab(tabs, TabCtrl_HitTest(tabs, &hit));
            break;
        }
        case WM_MOUSELEAVE: dialog->HoverTab(tabs, -1); break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: ::InvalidateRect(tabs, nullptr, FALSE); break;
        case WM_NCDESTROY: ::RemoveWindowSubclass(tabs, TabsProc, kTabsSubclass); break;
        default: break;
        }
        return ::DefSubclassProc(tabs, message, wParam, lParam);
    }

    // Ctrl+Tab switches the tab from the tabs, the text and Close; in the text
    // Esc closes and Ctrl+A selects everything.
    static LRESULT CALLBACK KeysProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR) {
        const bool isText = ::GetDlgCtrlID(control) == IDC_ABOUT_TEXT;
        switch (message) {
        case WM_GETDLGCODE:
            if (wParam == VK_TAB && Ctrl()) return DLGC_WANTMESSAGE | ::DefSubclassProc(control, message, wParam, lParam);
            break;
        case WM_KEYDOWN:
            if (wParam == VK_TAB && Ctrl()) {
                ::SendMessageW(::GetParent(control), kSwitchTab, 0, 0);
                return 0;
            }
            if (isText && wParam == VK_ESCAPE) {
                ::PostMessageW(::GetParent(control), WM_COMMAND, IDCANCEL, 0);
                return 0;
            }
            if (isText && wParam == 'A' && Ctrl()) {
                ::SendMessageW(control, EM_SETSEL, 0, -1);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == L'\t' && Ctrl()) return 0;
            break;
        case WM_NCDESTROY: ::RemoveWindowSubclass(control, KeysProc, kKeysSubclass); break;
        default: break;
        }
        return ::DefSubclassProc(control, message, wParam, lParam);
    }

    AppState& state_;
    Module richLibrary_;
    std::map<int, RECT> design_;
    std::map<int, RECT> placed_;
    SIZE initialClient_{};
    UINT initialDpi_ = 0;
    UINT dpi_ = 0;
    int tab_ = 0;
    int hoveredTab_ = -1;
    FontHandle product_;
    FontHandle body_;
    FontHandle bodyBold_;
    FontHandle smallSemibold_;
};

}  // namespace

void ShowAboutDialog(AppState& state) {
    AboutDialog dialog(state);
    ::DialogBoxParamW(state.Instance, MAKEINTRESOURCEW(IDD_ABOUT), state.MainWindow, DialogProcedure<AboutDialog>,
                      reinterpret_cast<LPARAM>(&dialog));
}
