#pragma once
// The main window's layout engine: design rectangles recorded at creation,
// scaled to the current DPI, anchored, moved by the splitter and scrolled.
#include <windows.h>

#include "ui/main_window/app_state.h"

// Records every child's design rectangle and anchors; the layout is then ready.
void RecordWindowLayout(AppState& state);

// Lays the window out (never re-entered); also lays the details pane out.
void LayoutMainWindow(AppState& state);

// A control's design rectangle at the current DPI, anchored to the current
// content size, with the splitter applied and the scroll offsets subtracted:
// where the control sits before its text is fitted.
RECT PlacedDesignRect(const AppState& state, int controlId);

inline LONG RectWidth(const RECT& rect) { return rect.right - rect.left; }
inline LONG RectHeight(const RECT& rect) { return rect.bottom - rect.top; }

// `value` pixels at 96 DPI for the window's DPI.
int ScaleForDpi(const AppState& state, int value);

// The recorded control, or null.
const LayoutItem* FindLayoutItem(const WindowLayout& layout, int controlId);

// A recorded design rectangle scaled from the base DPI to the current one.
RECT ScaledDesignRect(const AppState& state, const LayoutItem& item);

// The smallest window that holds the minimum content, capped by the work area.
SIZE MainWindowMinTrackSize(const AppState& state);

// The template's size, grown to the minimum content, kept 12 pixels inside
// the work area and centred there.
void CentreMainWindow(AppState& state);

// The splitter offset kept within the tree's and the details card's minimum
// widths for the current layout.
int ClampSplitterOffset(const AppState& state, int offset);

// WM_HSCROLL of the window's own scroll bar.
void ScrollMainWindow(AppState& state, WPARAM request);
