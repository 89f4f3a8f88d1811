#pragma once
// The interface's named colours. Every surface the program paints itself takes
// its colours from here.
#include <windows.h>

inline constexpr COLORREF kColorWindow = RGB(248, 249, 249);        // window and dialog backgrounds
inline constexpr COLORREF kColorBand = RGB(237, 239, 240);          // header and footer bands, caption
inline constexpr COLORREF kColorBandLine = RGB(184, 194, 200);      // line between a band and the window
inline constexpr COLORREF kColorMuted = RGB(235, 239, 240);         // card shadow, disabled fills, progress background
inline constexpr COLORREF kColorCardBorder = RGB(213, 221, 228);    // card and disabled button borders
inline constexpr COLORREF kColorText = RGB(24, 33, 42);             // primary and caption text
inline constexpr COLORREF kColorSecondary = RGB(78, 93, 107);       // secondary and disabled text
inline constexpr COLORREF kColorAccent = RGB(11, 111, 157);         // progress bar, badges
inline constexpr COLORREF kColorAccentLight = RGB(229, 243, 250);   // badge fill, focused tree selection
inline constexpr COLORREF kColorFocus = RGB(17, 135, 192);          // focused frames, focus rings
inline constexpr COLORREF kColorNeutralBorder = RGB(170, 181, 189); // neutral buttons, window border
inline constexpr COLORREF kColorStrip = RGB(48, 53, 57);            // segmented control background
inline constexpr COLORREF kColorStripHover = RGB(60, 67, 71);
inline constexpr COLORREF kColorStripSelected = RGB(68, 75, 80);
inline constexpr COLORREF kColorStripText = RGB(230, 235, 238);
inline constexpr COLORREF kColorStripDisabled = RGB(167, 177, 184);
inline constexpr COLORREF kColorStripAccent = RGB(106, 203, 246);   // selected segment bar, segment focus ring
inline constexpr COLORREF kColorDanger = RGB(207, 55, 72);          // danger button, warning mark
inline constexpr COLORREF kColorWhite = RGB(255, 255, 255);         // cards, edits, lists
