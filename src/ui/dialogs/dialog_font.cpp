#include "ui/dialogs/dialog_font.h"

#include <utility>

void RescaleDialogFont(HWND dialog, UINT from, UINT to, FontHandle& owned) {
    const auto current =
        owned ? owned.get() : reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    if (!current || from == 0 || !::GetObjectW(current, sizeof(description), &description)) return;
    description.lfHeight = ::MulDiv(description.lfHeight, static_cast<int>(to), static_cast<int>(from));
    FontHandle font(::CreateFontIndirectW(&description));
    if (!font) return;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    owned = std::move(font);
}
