#include "ui/drawing/owner_drawn_button.h"

#include <algorithm>

#include "ui/drawing/dpi_scaling.h"
#include "ui/drawing/gdi_handles.h"
#include "ui/drawing/icon_glyphs.h"
#include "ui/drawing/palette.h"
#include "ui/drawing/rounded_shapes.h"
#include "ui/drawing/solid_fill.h"
#include "ui/drawing/text_line.h"

namespace {

ButtonColours DangerColours(const ButtonState& state) {
    const COLORREF top = state.Pressed ? RGB(169, 36, 51) : state.Hovered ? RGB(216, 63, 79) : kColorDanger;
    const COLORREF bottom = state.Pressed ? RGB(161, 34, 48) : RGB(193, 44, 61);
    return {top, bottom, RGB(172, 37, 52), kColorWhite};
}

// High contrast: every kind looks like the system's buttons; hover and press
// take the selection colours.
ButtonColours HighContrastColours(const ButtonState& state) {
    if (state.Disabled) return {kColorMuted, kColorMuted, kColorCardBorder, ::GetSysColor(COLOR_GRAYTEXT)};
    if (state.Hovered || state.Pressed) return {kColorAccentLight, kColorAccentLight, kColorText, kColorAccent};
    return {kColorBand, kColorBand, kColorText, kColorText};
}

ButtonColours HighlightedColours(ButtonKind kind, const ButtonState& state) {
    const COLORREF top = state.Pressed ? RGB(221, 238, 247) : RGB(250, 253, 255);
    const COLORREF bottom = state.Pressed ? RGB(210, 231, 242) : kColorAccentLight;
    return {top, bottom, kColorFocus, kind == ButtonKind::Primary ? RGB(8, 82, 118) : kColorText};
}

// A button's glyph; an icon-font glyph opens its font once for the layout and the drawing.
class GlyphPainter {
public:
    GlyphPainter(HDC dc, const ButtonGlyph& glyph, int side) : glyph_(glyph) {
        if (glyph.Type == ButtonGlyph::Source::IconFont) iconFont_ = OpenIconFont(dc, side, glyph.CodePoint);
    }

    [[nodiscard]] bool Available() const {
        switch (glyph_.Type) {
        case ButtonGlyph::Source::IconFont: return static_cast<bool>(iconFont_);
        case ButtonGlyph::Source::Line: return true;
        case ButtonGlyph::Source::Icon: return glyph_.Icon != nullptr;
        case ButtonGlyph::Source::None: return false;
        }
        return false;
    }

    void Draw(HDC dc, const RECT& square, COLORREF colour, bool disabled) const {
        const int side = square.right - square.left;
        switch (glyph_.Type) {
        case ButtonGlyph::Source::IconFont: DrawIconGlyph(dc, square, iconFont_.get(), glyph_.CodePoint, colour); break;
        case ButtonGlyph::Source::Line: DrawLineGlyph(dc, square, glyph_.Line, colour); break;
        case ButtonGlyph::Source::Icon:
            ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(glyph_.Icon), 0, square.left, square.top,
                         side, side, DST_ICON | (disabled ? DSS_DISABLED : DSS_NORMAL));
            break;
        case ButtonGlyph::Source::None: break;
        }
    }

private:
    const ButtonGlyph& glyph_;
    FontHandle iconFont_;
};

void DrawContent(HDC dc, const RECT& content, const ButtonGlyph& glyph, std::wstring_view text, COLORREF colour,
                 const ButtonState& state, UINT dpi) {
    const int contentWidth = content.right - content.left;
    const int side = std::min(ScaleToDpi(16, dpi), static_cast<int>(content.bottom - content.top));
    const GlyphPainter painter(dc, glyph, side);
    if (!painter.Available() || side <= 0) {
        DrawCaptionLine(dc, text, content, DT_CENTER, !state.HideAccessKey);
        return;
    }
    const int gap = text.empty() ? 0 : ScaleToDpi(4, dpi);
    const int textWidth = std::min(TextLineWidth(dc, text), std::max(0, contentWidth - side - gap));
    const int left = content.left + (contentWidth - (side + gap + textWidth)) / 2;
    const int top = content.top + (content.bottom - content.top - side) / 2;
    painter.Draw(dc, {left, top, left + side, top + side}, colour, state.Disabled);
    if (!text.empty())
        DrawCaptionLine(dc, text, {left + side + gap, content.top, left + side + gap + textWidth, content.bottom},
                        DT_LEFT, !state.HideAccessKey);
}

}  // namespace

ButtonColours ButtonStateColours(ButtonKind kind, const ButtonState& state) {
    if (g_palette.HighContrast) return HighContrastColours(state);
    if (state.Disabled) return {kColorMuted, kColorMuted, kColorCardBorder, kColorSecondary};
    if (kind == ButtonKind::Danger) return DangerColours(state);
    if (kind == ButtonKind::Primary || state.Hovered || state.Pressed) return HighlightedColours(kind, state);
    return {RGB(249, 250, 250), RGB(229, 232, 233), kColorNeutralBorder, kColorText};
}

ButtonState ButtonStateFromDrawItem(const DRAWITEMSTRUCT& item, bool hovered) {
    ButtonState state;
    state.Disabled = (item.itemState & ODS_DISABLED) != 0;
    state.Pressed = (item.itemState & ODS_SELECTED) != 0;
    state.Hovered = hovered;
    state.Focused = (item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0;
    state.HideAccessKey = (item.itemState & ODS_NOACCEL) != 0;
    return state;
}

void DrawOwnerDrawnButton(HDC dc, const RECT& rect, const ButtonLook& look, const ButtonGlyph& glyph,
                          std::wstring_view text, HFONT font, UINT dpi) {
    const ButtonColours colours = ButtonStateColours(look.Kind, look.State);
    const int ellipse = ScaleToDpi(look.Ellipse96, dpi);
    FillSolidRect(dc, rect, look.Behind);
    DrawRoundedRect(dc, rect, colours.Top, colours.Bottom, colours.Border, ellipse);
    if (look.State.Focused && !look.State.Disabled) {
        RECT ring = rect;
        const int inset = ScaleToDpi(2, dpi);
        ::InflateRect(&ring, -inset, -inset);
        DrawRoundedOutline(dc, ring, look.Kind == ButtonKind::Danger && !g_palette.HighContrast ? kColorWhite : kColorFocus,
                           std::max(0, ellipse - ScaleToDpi(4, dpi)));
    }

    RECT content = rect;
    ::InflateRect(&content, -ScaleToDpi(5, dpi), -ScaleToDpi(2, dpi));
    if (look.State.Pressed) ::OffsetRect(&content, 0, ScaleToDpi(1, dpi));
    const TextStyleScope style(dc, font, colours.Text);
    DrawContent(dc, content, glyph, text, colours.Text, look.State, dpi);
}
