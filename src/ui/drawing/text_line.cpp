#include "ui/drawing/text_line.h"

TextStyleScope::TextStyleScope(HDC dc, HFONT font, COLORREF colour)
    : dc_(dc),
      font_(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT)),
      previousColour_(::SetTextColor(dc, colour)),
      previousMode_(::SetBkMode(dc, TRANSPARENT)) {}

TextStyleScope::~TextStyleScope() {
    ::SetBkMode(dc_, previousMode_);
    ::SetTextColor(dc_, previousColour_);
}

namespace {

constexpr UINT kLineFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;

void DrawLine(HDC dc, std::wstring_view text, RECT box, UINT format) {
    ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, format | kLineFormat);
}

}  // namespace

void DrawTextLine(HDC dc, std::wstring_view text, RECT box, UINT alignment) {
    DrawLine(dc, text, box, alignment | DT_NOPREFIX);
}

void DrawCaptionLine(HDC dc, std::wstring_view text, RECT box, UINT alignment, bool showAccessKey) {
    DrawLine(dc, text, box, alignment | (showAccessKey ? 0u : static_cast<UINT>(DT_HIDEPREFIX)));
}

int TextLineWidth(HDC dc, std::wstring_view text) {
    if (text.empty()) return 0;
    RECT box{};
    if (!::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box, DT_SINGLELINE | DT_CALCRECT)) return 0;
    return box.right - box.left;
}
