#pragma once
// The dark segmented control of the mode buttons and the about tabs: a rounded
// strip with one segment per choice.
#include <windows.h>

#include <string_view>

// The rounded strip behind the segments.
void DrawSegmentStrip(HDC dc, const RECT& strip, UINT dpi);

struct SegmentState {
    bool Selected = false;
    bool Hovered = false;
    bool Disabled = false;
    bool Focused = false;  // has the keyboard focus and focus cues are shown
    bool HideAccessKey = false;  // the window hides keyboard cues until the keyboard is used
};

// Paints one segment over its whole rectangle, which lies on the strip.
void DrawSegment(HDC dc, const RECT& segment, std::wstring_view text, HFONT font, const SegmentState& state, UINT dpi);
