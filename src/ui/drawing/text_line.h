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

// `alignment` is DT_LEFT, DT_CENTER or DT_RIGHT. "&" is drawn as it is.
void DrawTextLine(HDC dc, std::wstring_view text, RECT box, UINT alignment);
// A caption of a button or segment: "&" marks the access key, which is
// underlined unless the window hides keyboard cues ("&&" is one "&").
void DrawCaptionLine(HDC dc, std::wstring_view text, RECT box, UINT alignment, bool showAccessKey);

// Width of the line as drawn, an access key's "&" not counted.
int TextLineWidth(HDC dc, std::wstring_view text);
