#include "ui/drawing/icon_glyphs.h"

#include <array>
#include <cwchar>
#include <map>

namespace {

bool SameFace(const wchar_t* a, const wchar_t* b) {
    return ::CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

FontHandle CreateGlyphFont(const wchar_t* face, int height) {
    LOGFONTW font{};
    font.lfHeight = -height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = ANTIALIASED_QUALITY;
    ::wcsncpy_s(font.lfFaceName, face, _TRUNCATE);
    return FontHandle(::CreateFontIndirectW(&font));
}

// The font mapper substitutes another face for a missing one, so the face the
// device context actually selected is what counts.
bool RealFaceHasGlyph(HDC dc, HFONT font, const wchar_t* face, wchar_t codePoint) {
    const SelectedObject selected(dc, font);
    wchar_t actual[LF_FACESIZE] = {};
    if (!::GetTextFaceW(dc, LF_FACESIZE, actual) || !SameFace(actual, face)) return false;
    WORD index = 0xFFFF;
    return ::GetGlyphIndicesW(dc, &codePoint, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == 1 && index != 0xFFFF;
}

}  // namespace

FontHandle OpenGlyphFont(HDC dc, std::span<const wchar_t* const> faces, int height, wchar_t codePoint) {
    if (height <= 0) return {};
    for (const wchar_t* face : faces) {
        FontHandle font = CreateGlyphFont(face, height);
        if (font && RealFaceHasGlyph(dc, font.get(), face, codePoint)) return font;
    }
    return {};
}

FontHandle OpenIconFont(HDC dc, int side, wchar_t codePoint) {
    static constexpr std::array<const wchar_t*, 2> kIconFaces = {L"Segoe Fluent Icons", L"Segoe MDL2 Assets"};
    return OpenGlyphFont(dc, kIconFaces, side * 4 / 5, codePoint);
}

bool IconFontHasGlyph(wchar_t codePoint) {
    // Interface thread only, like every caller.
    static std::map<wchar_t, bool> known;
    const auto found = known.find(codePoint);
    if (found != known.end()) return found->second;
    const WindowDC screen(nullptr);
    const bool has = screen && OpenIconFont(screen.get(), 16, codePoint);
    known.emplace(codePoint, has);
    return has;
}

void DrawIconGlyph(HDC dc, const RECT& square, HFONT iconFont, wchar_t codePoint, COLORREF colour) {
    if (!iconFont) return;
    const SelectedObject selected(dc, iconFont);
    const COLORREF previousColour = ::SetTextColor(dc, colour);
    const int previousMode = ::SetBkMode(dc, TRANSPARENT);
    RECT box = square;
    ::DrawTextW(dc, &codePoint, 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    ::SetBkMode(dc, previousMode);
    ::SetTextColor(dc, previousColour);
}
