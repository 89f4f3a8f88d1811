#pragma once
// Owner-drawn push buttons: a gradient rounded body in the colours of the
// button's kind and state, a focus ring, and a glyph before a centred text.
#include <windows.h>

#include <string_view>

#include "ui/drawing/line_glyphs.h"

enum class ButtonKind { Neutral, Primary, Danger };

struct ButtonState {
    bool Disabled = false;
    bool Hovered = false;
    bool Pressed = false;
    bool Focused = false;  // has the focus and focus cues are shown
    bool HideAccessKey = false;  // the window hides keyboard cues until the keyboard is used
};

struct ButtonColours {
    COLORREF Top;
    COLORREF Bottom;
    COLORREF Border;
    COLORREF Text;
};

ButtonColours ButtonStateColours(ButtonKind kind, const ButtonState& state);

// The state of a button from its WM_DRAWITEM and the caller's hover tracking.
ButtonState ButtonStateFromDrawItem(const DRAWITEMSTRUCT& item, bool hovered);

// What a button shows before its text.
struct ButtonGlyph {
    enum class Source { None, IconFont, Line, Icon };
    Source Type = Source::None;
    wchar_t CodePoint = 0;                   // IconFont
    LineGlyph Line = LineGlyph::Cross;       // Line
    HICON Icon = nullptr;                    // Icon (drawn grey while disabled)

    static ButtonGlyph FromIconFont(wchar_t codePoint) { return {Source::IconFont, codePoint}; }
    static ButtonGlyph FromLine(LineGlyph line) { return {Source::Line, 0, line}; }
    static ButtonGlyph FromIcon(HICON icon) { return {Source::Icon, 0, LineGlyph::Cross, icon}; }
};

struct ButtonLook {
    ButtonKind Kind = ButtonKind::Neutral;
    ButtonState State;
    COLORREF Behind = RGB(255, 255, 255);  // what the button sits on
    int Ellipse96 = 10;                     // 8 for the small toolbar buttons
};

// Paints the whole button rectangle. An icon-font glyph that no font provides
// is left out and the text is centred alone.
void DrawOwnerDrawnButton(HDC dc, const RECT& rect, const ButtonLook& look, const ButtonGlyph& glyph,
                          std::wstring_view text, HFONT font, UINT dpi);
