#pragma once
// The interface fonts: faces chosen by language, heights for the window's DPI,
// and the set of five fonts the main window uses.
#include <windows.h>

#include "core/localized_text.h"
#include "ui/drawing/gdi_handles.h"

inline constexpr int kWeightRegular = FW_NORMAL;
inline constexpr int kWeightSemibold = FW_SEMIBOLD;
inline constexpr int kWeightBold = FW_BOLD;

const wchar_t* HeadingFace(LangId language);
const wchar_t* BodyFace(LangId language);

// Describes a font of `points` at `dpi` in ClearType natural quality.
LOGFONTW UiLogFont(const wchar_t* face, int points, int weight, bool underline, UINT dpi);
FontHandle CreateUiFont(const wchar_t* face, int points, int weight, bool underline, UINT dpi);

struct MainWindowFonts {
    FontHandle Body;               // every child control
    FontHandle BodySemibold;       // action button, selected mode segment
    FontHandle Heading;            // title
    FontHandle HeadingUnderlined;  // title while hovered
    FontHandle DetailsHeading;     // details title
};

// Creates all five for the language and DPI; `fonts` is replaced only when every
// one of them could be created, so a failure keeps the fonts the controls use.
[[nodiscard]] bool CreateMainWindowFonts(LangId language, UINT dpi, MainWindowFonts& fonts);
