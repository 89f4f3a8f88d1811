#include "ui/dialogs/dialog_button.h"

#include <commctrl.h>

#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/window_text.h"

namespace {

constexpr wchar_t kHoveredProperty[] = L"QuillbayButtonHovered";
constexpr UINT_PTR kHoverSubclass = 0x5142;

LRESULT CALLBACK HoverProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_MOUSEMOVE:
        if (!IsButtonHovered(button)) {
            ::SetPropW(button, kHoveredProperty, reinterpret_cast<HANDLE>(1));
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, button, 0};
            ::TrackMouseEvent(&track);
            ::InvalidateRect(button, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        ::RemovePropW(button, kHoveredProperty);
        ::InvalidateRect(button, nullptr, FALSE);
        break;
    case WM_NCDESTROY:
        ::RemovePropW(button, kHoveredProperty);
        ::RemoveWindowSubclass(button, HoverProc, kHoverSubclass);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(button, message, wParam, lParam);
}

}  // namespace

void TrackButtonHover(HWND button) { ::SetWindowSubclass(button, HoverProc, kHoverSubclass, 0); }

bool IsButtonHovered(HWND button) { return ::GetPropW(button, kHoveredProperty) != nullptr; }

void DrawButtonItem(const DRAWITEMSTRUCT& item, ButtonLook look, const ButtonGlyph& glyph, UINT dpi) {
    look.State = ButtonStateFromDrawItem(item, IsButtonHovered(item.hwndItem));
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
    DrawOwnerDrawnButton(item.hDC, item.rcItem, look, glyph, WindowTextOf(item.hwndItem), font, dpi);
}

void DrawDialogButton(const DRAWITEMSTRUCT& item, ButtonKind kind, COLORREF behind, const ButtonGlyph& glyph) {
    ButtonLook look;
    look.Kind = kind;
    look.Behind = behind;
    DrawButtonItem(item, look, glyph, WindowDpi(item.hwndItem));
}
