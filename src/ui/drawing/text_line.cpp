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

void DrawTextLine(HDC dc, std::wstring_view text, RECT box, UINT alignment) {
    ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &box,
                alignment | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

int TextLineWidth(HDC dc, std::wstring_view text) {
    SIZE extent{};
    if (!::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &extent)) return 0;
    return extent.cx;
}
