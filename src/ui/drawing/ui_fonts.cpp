#include "ui/drawing/ui_fonts.h"

#include <cwchar>
#include <utility>

namespace {

constexpr LangId kChinese = 2;
constexpr LangId kThai = 6;
constexpr LangId kJapanese = 7;

// The face that serves headings and body alike, for scripts Segoe UI lacks.
const wchar_t* ScriptFace(LangId language) {
    switch (language) {
    case kChinese: return L"Microsoft YaHei UI";
    case kThai: return L"Leelawadee UI";
    case kJapanese: return L"Yu Gothic UI";
    default: return nullptr;
    }
}

}  // namespace

const wchar_t* HeadingFace(LangId language) {
    const wchar_t* script = ScriptFace(language);
    return script ? script : L"Segoe UI Variable Display";
}

const wchar_t* BodyFace(LangId language) {
    const wchar_t* script = ScriptFace(language);
    return script ? script : L"Segoe UI";
}

LOGFONTW UiLogFont(const wchar_t* face, int points, int weight, bool underline, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(points, static_cast<int>(dpi), 72);
    font.lfWeight = weight;
    font.lfUnderline = underline ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = CLEARTYPE_NATURAL_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    ::wcsncpy_s(font.lfFaceName, face, _TRUNCATE);
    return font;
}

FontHandle CreateUiFont(const wchar_t* face, int points, int weight, bool underline, UINT dpi) {
    const LOGFONTW font = UiLogFont(face, points, weight, underline, dpi);
    return FontHandle(::CreateFontIndirectW(&font));
}

bool CreateMainWindowFonts(LangId language, UINT dpi, MainWindowFonts& fonts) {
    const wchar_t* body = BodyFace(language);
    const wchar_t* heading = HeadingFace(language);
    MainWindowFonts created;
    created.Body = CreateUiFont(body, 9, kWeightRegular, false, dpi);
    created.BodySemibold = CreateUiFont(body, 9, kWeightSemibold, false, dpi);
    created.Heading = CreateUiFont(heading, 15, kWeightSemibold, false, dpi);
    created.HeadingUnderlined = CreateUiFont(heading, 15, kWeightSemibold, true, dpi);
    created.DetailsHeading = CreateUiFont(heading, 13, kWeightSemibold, false, dpi);
    if (!created.Body || !created.BodySemibold || !created.Heading || !created.HeadingUnderlined ||
        !created.DetailsHeading)
        return false;
    fonts = std::move(created);
    return true;
}
