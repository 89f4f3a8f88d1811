#include "ui/drawing/window_text.h"

#include "ui/drawing/gdi_handles.h"
#include "ui/drawing/text_line.h"

namespace {

HFONT FontOf(HWND control) { return reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)); }

}  // namespace

std::wstring WindowTextOf(HWND window) {
    if (!window) return {};
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

int TextWidthIn(HWND control, HFONT font, std::wstring_view text) {
    if (!control) return 0;
    const WindowDC dc(control);
    if (!dc) return 0;
    const SelectedObject selected(dc.get(), font ? font : FontOf(control));
    return TextLineWidth(dc.get(), text);
}

int LineHeightIn(HWND control) {
    if (!control) return 0;
    const WindowDC dc(control);
    if (!dc) return 0;
    const SelectedObject selected(dc.get(), FontOf(control));
    TEXTMETRICW metrics{};
    return ::GetTextMetricsW(dc.get(), &metrics) ? metrics.tmHeight : 0;
}
