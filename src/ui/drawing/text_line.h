#pragma once
// One line of text drawn on a transparent background, vertically centred and
// shortened with an ellipsis, as the drawn controls show their texts.
#include <windows.h>

#include <string_view>

#include "ui/drawing/gdi_handles.h"

// Selects the font (the default GUI font when null) and the text colour with a
// transparent background for its lifetime.
class TextStyleScope {
public:
    TextStyleScope(HDC dc, HFONT font, COLORREF colour);
    TextStyleScope(const TextStyleScope&) = delete;
    TextStyleScope& operator=(const TextStyleScope&) = delete;
    ~TextStyleScope();

private:
    HDC dc_;
    SelectedObject font_;
    COLORREF previousColour_;
    int previousMode_;
};

// `alignment` is DT_LEFT, DT_CENTER or DT_RIGHT.
void DrawTextLine(HDC dc, std::wstring_view text, RECT box, UINT alignment);

int TextLineWidth(HDC dc, std::wstring_view text);
