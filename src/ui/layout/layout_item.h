#pragma once
// The records of the main window's layout engine: each control's design
// rectangle at the base DPI with its anchors, and the window's scroll state.
#include <windows.h>

#include <vector>

enum LayoutAnchor : unsigned {
    AnchorRight = 1,    // moves with the right edge
    AnchorBottom = 2,   // moves with the bottom edge
    AnchorWidth = 4,    // stretches with the width
    AnchorHeight = 8,   // stretches with the height
};

struct LayoutItem {
    int ControlId = 0;
    RECT Design{};  // client pixels at the base DPI
    unsigned Anchors = 0;
    HWND Window = nullptr;
};

struct WindowLayout {
    UINT BaseDpi = 96;
    SIZE DesignClient{};
    SIZE DesignWindow{};
    std::vector<LayoutItem> Items;
    bool Ready = false;
    bool InLayout = false;
    int ScrollX = 0;
    int ScrollY = 0;
    int ContentWidth = 0;
    int ContentHeight = 0;
};
